#include "model/filter_response.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

#include "model/value_scale.h"

namespace {

// A file may hold any number; the curve is the one the knob would show, so that a frequency of
// zero or past the design rate's half, a Q of zero, or no number at all still gives a shape.
double WithinScale(double value, const ValueScale& scale)
{
    return std::isfinite(value) ? std::clamp(value, scale.valueAtMin, scale.valueAtMax)
                                : scale.valueAtMin;
}

struct Biquad
{
    double b0, b1, b2, a0, a1, a2;
};

// The usual audio-cookbook sections; the band-pass is the one whose peak is 0 dB.
std::optional<Biquad> DesignSection(const StripSettings& channel)
{
    const double w0 =
        2.0 * std::numbers::pi * WithinScale(channel.freq, FrequencyScale) / ResponseDesignRate;
    const double cosine = std::cos(w0);
    const double alpha = std::sin(w0) / (2.0 * WithinScale(channel.q, QScale));
    const double a0 = 1.0 + alpha;
    const double a1 = -2.0 * cosine;
    const double a2 = 1.0 - alpha;
    switch (channel.filter) {
    case FilterType::Low:
        return Biquad{(1.0 - cosine) / 2.0, 1.0 - cosine, (1.0 - cosine) / 2.0, a0, a1, a2};
    case FilterType::High:
        return Biquad{(1.0 + cosine) / 2.0, -(1.0 + cosine), (1.0 + cosine) / 2.0, a0, a1, a2};
    case FilterType::Band:
        return Biquad{alpha, 0.0, -alpha, a0, a1, a2};
    case FilterType::Notch:
        return Biquad{1.0, -2.0 * cosine, 1.0, a0, a1, a2};
    case FilterType::Flat:
    case FilterType::Tone:
        break;
    }
    return std::nullopt;
}

double MagnitudeAt(const Biquad& section, double frequency)
{
    const double w = 2.0 * std::numbers::pi * frequency / ResponseDesignRate;
    const std::complex<double> z1 = std::polar(1.0, -w);
    const std::complex<double> z2 = z1 * z1;
    return std::abs((section.b0 + section.b1 * z1 + section.b2 * z2) /
                    (section.a0 + section.a1 * z1 + section.a2 * z2));
}

} // namespace

std::optional<double> ResponseLevel(const StripSettings& channel, double frequency)
{
    if (channel.filter == FilterType::Tone)
        return std::nullopt;
    const std::optional<Biquad> section = DesignSection(channel);
    if (!section)
        return 0.0;
    const double magnitude = MagnitudeAt(*section, frequency);
    return std::max(20.0 * std::log10(magnitude), ResponseFloorDb);
}

std::vector<double> ResponseFrequencies(int stepsPerOctave)
{
    std::vector<double> frequencies;
    const int steps = std::max(stepsPerOctave, 1);
    for (int step = 0;; ++step) {
        const double frequency = ResponseLowestFrequency * std::exp2(double(step) / steps);
        if (frequency >= ResponseHighestFrequency * (1.0 - 1e-12))
            break;
        frequencies.push_back(frequency);
    }
    frequencies.push_back(ResponseHighestFrequency);
    return frequencies;
}
