#include "emulator/wire_clock.h"

#include <ctime>

namespace {

constexpr std::int64_t NanosecondsPerSecond = 1'000'000'000;
constexpr std::int64_t BitsPerByte = 10;
constexpr std::int64_t BaudRate = 38400;

} // namespace

WireTime MonotonicNow()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return WireTime(static_cast<std::int64_t>(now.tv_sec) * NanosecondsPerSecond + now.tv_nsec);
}

WireTime ByteSpan(std::int64_t bytes)
{
    return WireTime(bytes * BitsPerByte * NanosecondsPerSecond / BaudRate);
}

ByteSlots CWireClock::Reserve(WireTime earliest, std::int64_t bytes)
{
    if (earliest > anchor + ByteSpan(count)) {
        anchor = earliest;
        count = 0;
    }
    const ByteSlots byteSlots{anchor, count};
    count += bytes;
    return byteSlots;
}
