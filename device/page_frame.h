#pragma once

#include <array>
#include <cstdint>
#include <span>

inline constexpr int PageSize = 256;
inline constexpr int PageFrameSize = 2 + PageSize + 1;

using PageFrame = std::array<std::uint8_t, PageFrameSize>;

// After the last page the bootloader expects these two bytes and nothing more.
inline constexpr std::array<std::uint8_t, 2> EndFrame = {0xFF, 0xFF};

// The 8-bit sum of a page's bytes.
std::uint8_t PageChecksum(std::span<const std::uint8_t, PageSize> page);

// Page number (big-endian), the page's 256 image bytes, then their checksum. Bytes beyond
// the end of the image are sent as erased flash.
PageFrame MakePageFrame(std::span<const std::uint8_t> image, int page);
