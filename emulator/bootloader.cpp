#include "emulator/bootloader.h"

#include <span>

#include "device/page_frame.h"

namespace {

constexpr std::size_t PageNumberLength = 2;

int PageNumber(std::string_view frame)
{
    return (static_cast<std::uint8_t>(frame[0]) << 8) | static_cast<std::uint8_t>(frame[1]);
}

bool IsEndFrame(std::string_view begun)
{
    return begun.size() >= EndFrame.size() && static_cast<std::uint8_t>(begun[0]) == EndFrame[0] &&
           static_cast<std::uint8_t>(begun[1]) == EndFrame[1];
}

} // namespace

std::size_t CBootloader::FrameLength(std::string_view begun)
{
    return IsEndFrame(begun) ? EndFrame.size() : PageFrameSize;
}

void CBootloader::Begin()
{
    image.clear();
    pages = 0;
    running = true;
    complete = false;
}

FrameOutcome CBootloader::Accept(std::string_view frame)
{
    if (IsEndFrame(frame)) {
        running = false;
        complete = true;
        return {FrameOutcome::Kind::End};
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(frame.data());
    const std::span<const std::uint8_t, PageSize> page(bytes + PageNumberLength, PageSize);
    const FrameOutcome outcome{FrameOutcome::Kind::PageAccepted, PageNumber(frame),
                               bytes[PageFrameSize - 1]};
    if (outcome.page != pages || outcome.checksum != PageChecksum(page)) {
        running = false;
        return {FrameOutcome::Kind::PageRejected, outcome.page, outcome.checksum};
    }
    image.insert(image.end(), page.begin(), page.end());
    ++pages;
    return outcome;
}
