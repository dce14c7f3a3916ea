#pragma once

#include <chrono>
#include <deque>
#include <optional>
#include <string>

#include "emulator/wire_clock.h"

// The device's sending side. Unpaced, an answer goes out in one write. Paced, each byte is
// written when its wire time has passed, on a schedule fixed in advance, so a late wake-up
// is made good by the following bytes instead of delaying them all. Nothing follows the last
// byte of an answer to make good for it, and the panel waits for exactly that byte, so the
// worker wakes a little early for it and waits out the rest on the clock. A trickled answer
// leaves one byte per delay.
class CTransmitter
{
public:
    explicit CTransmitter(bool paced) : paced(paced) {}

    // readyAt is when the answer may start (paced only).
    void Queue(std::string bytes, WireTime readyAt,
               std::optional<std::chrono::milliseconds> trickleDelay);

    // Writes every byte whose time has come; false when the line is gone.
    bool Send(int fd);

    // The panel is not reading and the line's buffer is full.
    bool WaitingForRoom() const { return waitingForRoom; }

    // When the worker is to be woken for the next byte; none when nothing waits for a time.
    std::optional<WireTime> NextWakeUp() const;

private:
    struct Answer
    {
        std::string bytes;
        std::size_t sent = 0;
        WireTime readyAt{};
        std::optional<std::chrono::milliseconds> trickleDelay;
        ByteSlots byteSlots;     // paced
        WireTime trickleStart{}; // trickled
    };

    void Schedule(Answer& answer);
    bool IsBurst(const Answer& answer) const;
    WireTime Departure(const Answer& answer, std::size_t index) const;
    bool IsFinalBytePaced(const Answer& answer) const;
    std::size_t DueBytes(const Answer& answer) const;

    bool paced;
    CWireClock clock;
    std::deque<Answer> queue;
    bool waitingForRoom = false;
};
