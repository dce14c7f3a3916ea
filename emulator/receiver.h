#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "emulator/wire_clock.h"

// The device's receiving side: holds what the panel has written until it makes a whole
// command line or firmware frame. When paced, each byte counts as received only once its
// wire time has passed.
class CReceiver
{
public:
    explicit CReceiver(bool paced) : paced(paced) {}

    enum class ReadResult
    {
        Read,
        Nothing,
        LineGone,
    };
    ReadResult ReadFrom(int fd);

    // Completes the next unit from the held bytes: a line up to its carriage return, or a
    // page or end frame while frames are expected. True once a unit is complete; it stays
    // complete until taken.
    bool Collect(bool frames);

    // When the unit's last byte crossed the line (paced only).
    WireTime UnitArrival() const { return unitArrival; }

    // The line without its carriage return, or the whole frame.
    std::string TakeUnit();

private:
    bool paced;
    CWireClock clock;
    std::string held;
    std::vector<WireTime> arrivals; // of the held bytes, when paced
    std::size_t next = 0;           // first held byte not yet collected
    std::string unit;
    bool complete = false;
    WireTime unitArrival{};
};
