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
    held_.erase(0, next_);
    if (paced_)
        arrivals_.erase(arrivals_.begin(), arrivals_.begin() + static_cast<std::ptrdiff_t>(next_));
    next_ = 0;

    const std::size_t before = held_.size();
    held_.resize(before + ReadSize);
    const ssize_t count = read(fd, held_.data() + before, ReadSize);
    held_.resize(before + static_cast<std::size_t>(count > 0 ? count : 0));
    if (count < 0)
        return errno == EAGAIN || errno == EINTR ? ReadResult::Nothing : ReadResult::LineGone;
    if (count == 0)
        return ReadResult::LineGone;
    if (paced_) {
        const ByteSlots byteSlots = clock_.Reserve(MonotonicNow(), count);
        for (ssize_t index = 0; index < count; ++index)
            arrivals_.push_back(byteSlots.End(index));
    }
    return ReadResult::Read;
}

bool CReceiver::Collect(bool frames)
{
    while (!complete_ && next_ < held_.size()) {
        if (paced_)
            unitArrival_ = arrivals_[next_];
        const char byte = held_[next_++];
        if (!frames && byte == LineEnd) {
            complete_ = true;
            break;
        }
        unit_ += byte;
        complete_ = frames && unit_.size() == CBootloader::FrameLength(unit_);
    }
    return complete_;
}

std::string CReceiver::TakeUnit()
{
    complete_ = false;
    return std::exchange(unit_, std::string());
}
