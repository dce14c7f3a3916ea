#pragma once

#include <string>

// "%5.0fk": the read-out shows the first five characters, so the k never shows.
std::string FormatFrequencyLabel(double freq);

// "%1.1fk": the read-out shows the first three characters.
std::string FormatGainLabel(double gain);
