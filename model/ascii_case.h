#pragma once

#include <string>
#include <string_view>

// Names in files and typed by operators match without regard to case, and only ASCII letters
// fold: the locale must not change what a file or a command means.
std::string LowerAscii(std::string_view text);
