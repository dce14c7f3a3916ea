#include "tools/metal_texture.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

struct StreakLayer
{
    double smoothing; // share of new noise per pixel: smaller is longer streaks
    double amplitude; // grey levels, one standard deviation
};

constexpr StreakLayer Layers[] = {{0.02, 4.0}, {0.25, 2.2}, {1.0, 1.4}};
constexpr double RowAmplitude = 1.6;
constexpr double VerticalFalloff = 7.0;
constexpr double SheenStrength = 6.0;
constexpr int WarmUp = 96;

int Clamp(double value)
{
    return std::clamp(static_cast<int>(std::lround(value)), 0, 255);
}

} // namespace

double MetalTexture::Noise()
{
    return static_cast<double>(random()) / 4294967295.0 * 2.0 - 1.0;
}

std::vector<double> MetalTexture::Streaks(int width, double smoothing, int scale)
{
    // Exponential smoothing shrinks the spread; rescale to unit deviation of uniform noise.
    const double normalise = std::sqrt((2.0 - smoothing) / smoothing);
    std::vector<double> values(width);
    double level = 0.0;
    for (int x = -WarmUp * scale; x < width; ++x) {
        level += smoothing * (Noise() - level);
        if (x >= 0)
            values[x] = level * normalise;
    }
    return values;
}

QImage MetalTexture::Render(int width, int height, QRgb base, int scale)
{
    QImage metal(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        std::vector<double> shade(width, RowAmplitude * Noise());
        for (const StreakLayer& layer : Layers) {
            // Streaks as long in window pixels at every scale, their grain on the finer grid.
            const double smoothing = std::min(1.0, layer.smoothing / scale);
            const std::vector<double> streaks = Streaks(width, smoothing, scale);
            for (int x = 0; x < width; ++x)
                shade[x] += layer.amplitude * streaks[x] / std::sqrt(3.0);
        }
        const double vertical = VerticalFalloff * (0.5 - static_cast<double>(y) / height);
        for (int x = 0; x < width; ++x) {
            const double across = (static_cast<double>(x) / width - 0.35) / 0.4;
            const double sheen = SheenStrength * std::exp(-across * across);
            const double delta = shade[x] + vertical + sheen;
            metal.setPixel(x, y,
                           qRgb(Clamp(qRed(base) + delta), Clamp(qGreen(base) + delta),
                                Clamp(qBlue(base) + delta)));
        }
    }
    return metal;
}
