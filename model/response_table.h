#pragma once

#include <string>

#include "model/strip_settings.h"

// The nominal responses of the sixteen channels as CSV: a header line
// "frequency_hz,channel_1,...,channel_16", then one line per 1/24 octave from 20 Hz to 20 kHz
// with the frequency (3 decimals) and each channel's level in dB (4 decimals), whatever the
// locale. A tone channel, which has no response, leaves its cells empty. Lines end in "\n".
std::string ResponseCsv(const PanelSettings& settings);
