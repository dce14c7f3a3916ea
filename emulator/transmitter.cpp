#include "emulator/transmitter.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace {

// Longer than a timer wake-up is usually late, yet a small part of a byte time, so the wait
// on the clock that follows stays short.
constexpr WireTime FinalByteLead = std::chrono::microseconds(80);

} // namespace

void CTransmitter::Queue(std::string bytes, WireTime readyAt,
                         std::optional<std::chrono::milliseconds> trickleDelay)
{
    if (bytes.empty())
        return;
    queue.push_back({std::move(bytes), 0, readyAt, trickleDelay, {}, {}, {}});
    if (queue.size() == 1)
        Schedule(queue.front());
}

bool CTransmitter::Send(int fd)
{
    while (!queue.empty()) {
        Answer& answer = queue.front();
        const std::size_t due = DueBytes(answer);
        if (due == 0)
            return true;
        const ssize_t written = write(fd, answer.bytes.data() + answer.sent, due);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && errno != EAGAIN)
            return false;
        answer.sent += static_cast<std::size_t>(written > 0 ? written : 0);
        waitingForRoom = written < static_cast<ssize_t>(due);
        if (waitingForRoom || answer.sent < answer.bytes.size())
            return true;
        queue.pop_front();
        if (!queue.empty())
            Schedule(queue.front());
    }
    return true;
}

std::optional<WireTime> CTransmitter::NextWakeUp() const
{
    if (queue.empty() || waitingForRoom || IsBurst(queue.front()))
        return std::nullopt;
    const Answer& answer = queue.front();
    const WireTime departure = Departure(answer, answer.sent);
    return IsFinalBytePaced(answer) ? departure - FinalByteLead : departure;
}

void CTransmitter::Schedule(Answer& answer)
{
    answer.scheduledAt = MonotonicNow();
    if (paced && !answer.trickleDelay)
        answer.byteSlots =
            clock.Reserve(answer.readyAt, static_cast<std::int64_t>(answer.bytes.size()));
    if (latencyTimer.count() > 0)
        HoldInAdapter(answer);
}

void CTransmitter::HoldInAdapter(Answer& answer) const
{
    const std::size_t size = answer.bytes.size();
    answer.deliveries.resize(size);
    for (std::size_t first = 0; first < size;) {
        const WireTime expiry = Ready(answer, first) + latencyTimer;
        std::size_t end = first + 1;
        while (end < size && end - first < AdapterPacketPayload && Ready(answer, end) <= expiry)
            ++end;
        const WireTime flush =
            end - first == AdapterPacketPayload ? Ready(answer, end - 1) : expiry;
        std::fill(answer.deliveries.begin() + static_cast<std::ptrdiff_t>(first),
                  answer.deliveries.begin() + static_cast<std::ptrdiff_t>(end), flush);
        first = end;
    }
}

bool CTransmitter::IsBurst(const Answer& answer) const
{
    return !paced && !answer.trickleDelay && latencyTimer.count() == 0;
}

// When the byte has left the device's side of the line.
WireTime CTransmitter::Ready(const Answer& answer, std::size_t index) const
{
    if (answer.trickleDelay)
        return answer.scheduledAt + *answer.trickleDelay * static_cast<std::int64_t>(index + 1);
    if (paced)
        return answer.byteSlots.End(static_cast<std::int64_t>(index));
    return answer.scheduledAt;
}

// When the panel can read the byte.
WireTime CTransmitter::Departure(const Answer& answer, std::size_t index) const
{
    return answer.deliveries.empty() ? Ready(answer, index) : answer.deliveries[index];
}

bool CTransmitter::IsFinalBytePaced(const Answer& answer) const
{
    return paced && !answer.trickleDelay && answer.sent + 1 == answer.bytes.size();
}

std::size_t CTransmitter::DueBytes(const Answer& answer) const
{
    if (IsBurst(answer))
        return answer.bytes.size() - answer.sent;
    WireTime now = MonotonicNow();
    if (IsFinalBytePaced(answer)) {
        const WireTime departure = Departure(answer, answer.sent);
        while (now < departure && departure - now <= FinalByteLead)
            now = MonotonicNow();
    }
    std::size_t end = answer.sent;
    while (end < answer.bytes.size() && Departure(answer, end) <= now)
        ++end;
    return end - answer.sent;
}
