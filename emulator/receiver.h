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
    explicit CReceiver(bool paced) : paced_(paced) {}

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
    WireTime UnitArrival() const { return unitArrival_; }

    // The line without its carriage return, or the whole frame.
    std::string TakeUnit();

private:
    bool paced_;
    CWireClock clock_;
    std::string held_;
    std::vector<WireTime> arrivals_; // of the held bytes, when paced
    std::size_t next_ = 0;           // first held byte not yet collected
    std::string unit_;
    bool complete_ = false;
    WireTime unitArrival_{};
};
