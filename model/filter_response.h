#pragma once

#include <optional>
#include <vector>

#include "model/strip_settings.h"

// The nominal magnitude response of a channel's filter: the standard second-order audio
// biquads (low-pass, high-pass, band-pass with a 0 dB peak, notch) designed at 48 kHz from the
// channel's type, frequency and Q. The device's own filter order is not known here, so these
// are shapes to see, not measurements.

inline constexpr double ResponseDesignRate = 48000.0;
inline constexpr double ResponseLowestFrequency = 20.0;
inline constexpr double ResponseHighestFrequency = 20000.0;
// A notch's exact zero would be minus infinity; levels stop here instead.
inline constexpr double ResponseFloorDb = -200.0;
// The tone generator's pitch: a tone channel has no response, only this frequency.
inline constexpr double ToneFrequency = 1000.0;

// The level in dB at frequency (Hz) of the channel's filter; flat is 0 dB everywhere. None
// for the tone generator, which replaces its input rather than filtering it. A frequency or Q
// outside the knobs' ranges is taken at the nearest end (and one that is no number at the low
// end), so every level is a number.
std::optional<double> ResponseLevel(const StripSettings& channel, double frequency);

// 20 Hz, then every 1/stepsPerOctave octave up to 20 kHz, which ends the list even where the
// steps do not land on it.
std::vector<double> ResponseFrequencies(int stepsPerOctave);
