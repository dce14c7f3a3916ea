#pragma once

#include <cstdint>
#include <string_view>

// Message numbers by name, unique within the process: the same name always gives the same
// number, numbers start at 0xC000 as registered window messages do.
std::uint32_t RegisterMessageName(std::string_view name);
