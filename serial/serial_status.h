#pragma once

#include <cstdint>

// Status codes of the serial layer. They keep the numbering of the Windows panel, so the
// link, the tools and the logs speak of the same failures on both platforms.
using SerialStatus = std::uint32_t;

inline constexpr SerialStatus StatusSuccess = 0;
inline constexpr SerialStatus StatusFileNotFound = 2;
inline constexpr SerialStatus StatusAccessDenied = 5;
inline constexpr SerialStatus StatusNotOpen = 6;
inline constexpr SerialStatus StatusInvalidParameter = 87;
inline constexpr SerialStatus StatusMoreData = 234;
inline constexpr SerialStatus StatusAborted = 995;
inline constexpr SerialStatus StatusIoPending = 997;
inline constexpr SerialStatus StatusAlreadyOpen = 1247;
inline constexpr SerialStatus StatusTimeout = 1460;
inline constexpr SerialStatus StatusInvalidArgument = 0x80070057;

// Any other errno keeps its number in the customer range of the Windows codes, where it
// cannot be mistaken for one of the codes above.
inline constexpr SerialStatus ErrnoStatusBase = 0x20000000;

SerialStatus StatusFromErrno(int error);
