#include "emulator/receiver.h"

#include <cerrno>
#include <unistd.h>
#include <utility>

#include "device/command_set.h"
#include "emulator/bootloader.h"

namespace {

constexpr std::size_t ReadSize = 4096;

} // namespace

CReceiver::ReadResult CReceiver::ReadFrom(int fd)
{
    held.erase(0, next);
    if (paced)
        arrivals.erase(arrivals.begin(), arrivals.begin() + static_cast<std::ptrdiff_t>(next));
    next = 0;

    const std::size_t before = held.size();
    held.resize(before + ReadSize);
    const ssize_t count = read(fd, held.data() + before, ReadSize);
    held.resize(before + static_cast<std::size_t>(count > 0 ? count : 0));
    if (count < 0)
        return errno == EAGAIN || errno == EINTR ? ReadResult::Nothing : ReadResult::LineGone;
    if (count == 0)
        return ReadResult::LineGone;
    if (paced) {
        const ByteSlots byteSlots = clock.Reserve(MonotonicNow(), count);
        for (ssize_t index = 0; index < count; ++index)
            arrivals.push_back(byteSlots.End(index));
    }
    return ReadResult::Read;
}

bool CReceiver::Collect(bool frames)
{
    while (!complete && next < held.size()) {
        if (paced)
            unitArrival = arrivals[next];
        const char byte = held[next++];
        if (!frames && byte == LineEnd) {
            complete = true;
            break;
        }
        unit += byte;
        complete = frames && unit.size() == CBootloader::FrameLength(unit);
    }
    return complete;
}

std::string CReceiver::TakeUnit()
{
    complete = false;
    return std::exchange(unit, std::string());
}
