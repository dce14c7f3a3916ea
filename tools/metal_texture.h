#pragma once

#include <QImage>

#include <cstdint>
#include <random>
#include <vector>

// Horizontally brushed aluminium: long streaks, finer grain and a soft sheen over a base
// colour. The generator is seeded, so every run draws the same panel and the committed
// pictures only change when the art does.
class MetalTexture
{
public:
    explicit MetalTexture(std::uint32_t seed) : random(seed) {}

    // The texture in picture pixels, with scale picture pixels to a window pixel each way.
    QImage Render(int width, int height, QRgb base, int scale);

private:
    // White noise in -1..1; the engine's sequence is fixed by the standard, unlike the
    // library's distributions.
    double Noise();
    std::vector<double> Streaks(int width, double smoothing, int scale);

    std::mt19937 random;
};
