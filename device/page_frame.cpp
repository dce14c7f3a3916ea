#include "device/page_frame.h"

#include <algorithm>

#include "firmware/flash_image.h"

std::uint8_t PageChecksum(std::span<const std::uint8_t, PageSize> page)
{
    std::uint8_t sum = 0;
    for (std::uint8_t byte : page)
        sum = static_cast<std::uint8_t>(sum + byte);
    return sum;
}

PageFrame MakePageFrame(std::span<const std::uint8_t> image, int page)
{
    PageFrame frame;
    frame[0] = static_cast<std::uint8_t>(page >> 8);
    frame[1] = static_cast<std::uint8_t>(page);

    const auto body = std::span(frame).subspan<2, PageSize>();
    std::fill(body.begin(), body.end(), ImageFillByte);
    const std::size_t start = static_cast<std::size_t>(page) * PageSize;
    if (page >= 0 && start < image.size()) {
        const auto available = std::min<std::size_t>(PageSize, image.size() - start);
        std::copy_n(image.begin() + start, available, body.begin());
    }
    frame[PageFrameSize - 1] = PageChecksum(body);
    return frame;
}
