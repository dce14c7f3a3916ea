#pragma once

#include <chrono>
#include <cstdint>

// Monotonic time (CLOCK_MONOTONIC), the clock the worker's timer runs on.
using WireTime = std::chrono::nanoseconds;

WireTime MonotonicNow();

// The time `bytes` bytes take on the line: 38400 baud, ten bits per byte (start, eight data,
// stop). A byte lasts 260416 2/3 ns, so spans are computed from the count rather than summed,
// and never drift.
WireTime ByteSpan(std::int64_t bytes);

// The byte times in which a run of bytes occupies the line; byte i has fully crossed the
// line at End(i).
struct ByteSlots
{
    WireTime anchor{};
    std::int64_t first = 0;

    WireTime End(std::int64_t index) const { return anchor + ByteSpan(first + index + 1); }
};

// One direction of the line. Bytes follow each other back to back while the line is busy;
// once it has fallen idle, the next byte starts when it is handed over.
class CWireClock
{
public:
    ByteSlots Reserve(WireTime earliest, std::int64_t bytes);

private:
    WireTime anchor{};
    std::int64_t count = 0;
};
