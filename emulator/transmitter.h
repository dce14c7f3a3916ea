#pragma once

#include <chrono>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "emulator/wire_clock.h"

// The device's sending side. Unpaced, an answer goes out in one write. Paced, each byte is
// written when its wire time has passed, on a schedule fixed in advance, so a late wake-up
// is made good by the following bytes instead of delaying them all. Nothing follows the last
// byte of an answer to make good for it, and the panel waits for exactly that byte, so the
// worker wakes a little early for it and waits out the rest on the clock. A trickled answer
// leaves one byte per delay.
//
// With a latency timer, the bytes cross a USB serial adapter on their way to the panel. The
// adapter passes them on in packets of up to AdapterPacketPayload bytes: at once when a packet
// fills, else when the timer, started by the packet's first byte, runs out. Each answer starts
// with an empty adapter: a panel sends its next command only once the answer has come, so the
// last packet of one answer has gone on before the next answer's first byte. The timer adds to
// the wire time when paced; unpaced, every byte of an answer is in the adapter at once.
class CTransmitter
{
public:
    // 62 bytes of payload in each 64-byte USB packet, as the common adapter chips send them.
    static constexpr std::size_t AdapterPacketPayload = 62;

    CTransmitter(bool paced, std::chrono::milliseconds latencyTimer)
        : paced(paced), latencyTimer(latencyTimer)
    {}

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
        ByteSlots byteSlots;              // paced
        WireTime scheduledAt{};           // trickled, or unpaced behind an adapter
        std::vector<WireTime> deliveries; // behind an adapter: when each byte is passed on
    };

    void Schedule(Answer& answer);
    void HoldInAdapter(Answer& answer) const;
    bool IsBurst(const Answer& answer) const;
    WireTime Ready(const Answer& answer, std::size_t index) const;
    WireTime Departure(const Answer& answer, std::size_t index) const;
    bool IsFinalBytePaced(const Answer& answer) const;
    std::size_t DueBytes(const Answer& answer) const;

    bool paced;
    std::chrono::milliseconds latencyTimer;
    CWireClock clock;
    std::deque<Answer> queue;
    bool waitingForRoom = false;
};
