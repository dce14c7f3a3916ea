// The bytes a device sends during a firmware transfer: any batches, through a real
// pseudo-terminal into the link's port events, line collection and page requests.
#include <chrono>
#include <cstdint>
#include <fuzzer/FuzzedDataProvider.h>
#include <numeric>
#include <string>
#include <string_view>
#include <sys/mman.h>
#include <vector>

#include "device/command_set.h"
#include "device/device_link.h"
#include "device/line_collector.h"
#include "device/page_frame.h"
#include "firmware/fileio.h"
#include "fuzz/device_side.h"
#include "fuzz/require.h"
#include "serial/serial_panel_wnd.h"

namespace {

using namespace std::chrono_literals;

constexpr int ImageLength = 700;
constexpr int LargestPageCount = FirmwareImageCapacity / PageSize;
constexpr std::size_t LargestBatch = 3 * CLineCollector::MaxPendingBytes;
constexpr auto DeliveryLimit = 5s;

// One link serves every input, as it serves transfer after transfer in the panel: a fresh
// link per input would spend the target's time on clearing its image.
struct Harness
{
    CDeviceSide device;
    CSerialPanelWnd port;
    CDeviceLink link;
    std::string imagePath;
    std::vector<std::uint8_t> image;
};

// A firmware file in memory, so the target leaves nothing behind on disk.
void WriteImageFile(Harness& harness)
{
    const int fd = memfd_create("firmware-lines-image", 0);
    Require(fd >= 0, "no memory file for the image");
    harness.imagePath = "/proc/self/fd/" + std::to_string(fd);
    harness.image.resize(ImageLength);
    std::iota(harness.image.begin(), harness.image.end(), std::uint8_t{1});
    Require(fileio(FileOperation::Write, harness.imagePath.c_str(), FileFormat::IntelHex,
                   harness.image.data(), ImageLength) == ImageLength,
            "the image file cannot be written");
}

Harness& TheHarness()
{
    static Harness* const harness = [] {
        auto* made = new Harness;
        std::string error;
        Require(made->device.Open(error), "no pseudo-terminal");
        // The port without a listener thread: the target hands the link its events itself.
        Require(made->port.Open(made->device.PortPath()) == StatusSuccess, "the port opens");
        made->link.Attach(nullptr, &made->port);
        WriteImageFile(*made);
        return made;
    }();
    return *harness;
}

// Where a transfer must stand after the complete lines so far.
struct TransferModel
{
    int pageCount;
    bool programming = true;
    bool ended = false;
    int pages = 0;
};

void FollowLine(TransferModel& model, const std::string& line)
{
    if (!model.programming)
        return;
    if (line == std::string(PageRequest) + LineEnd) {
        model.ended = ++model.pages > model.pageCount;
        model.programming = !model.ended;
    } else if (line == std::string(TransferAborted) + LineEnd) {
        model.programming = false;
    }
}

// The lines of a whole stream, split in one go: each carriage-return line the collector may
// hand on, whatever batches the stream came in.
std::vector<std::string> WholeLines(std::string_view stream)
{
    std::vector<std::string> lines;
    for (auto end = stream.find(LineEnd); end != std::string_view::npos;
         end = stream.find(LineEnd)) {
        if (end <= CLineCollector::MaxPendingBytes)
            lines.emplace_back(stream.substr(0, end + 1));
        stream.remove_prefix(end + 1);
    }
    return lines;
}

std::string ExpectedFrames(const std::vector<std::uint8_t>& image, const TransferModel& model)
{
    std::string bytes = std::string(UpdateFirmwareCommand) + LineEnd;
    for (int page = 0; page < model.pages; ++page) {
        std::uint8_t sum = 0;
        bytes += static_cast<char>(page >> 8);
        bytes += static_cast<char>(page);
        for (std::size_t at = page * std::size_t{PageSize}; at < (page + 1u) * PageSize; ++at) {
            const std::uint8_t byte = at < image.size() ? image[at] : ImageFillByte;
            sum = static_cast<std::uint8_t>(sum + byte);
            bytes += static_cast<char>(byte);
        }
        bytes += static_cast<char>(sum);
    }
    if (model.ended)
        bytes += std::string(2, '\xFF');
    return bytes;
}

void Deliver(CDeviceSide& device, CDeviceLink& link, std::string_view batch)
{
    while (!batch.empty()) {
        const std::string_view piece = batch.substr(0, CDeviceSide::MaxPiece);
        batch.remove_prefix(piece.size());
        Require(device.Send(piece, DeliveryLimit), "the terminal delivers every byte");
        link.OnSerialEvent(EventCharacterReceived);
        Require(device.Unread() == 0, "a port event reads every waiting byte");
    }
}

void CheckCollected(const std::vector<std::string>& lines)
{
    for (const std::string& line : lines)
        Require(line.size() <= CLineCollector::MaxPendingBytes + 1 && line.back() == LineEnd &&
                    line.find(LineEnd) == line.size() - 1,
                "a collected line is one carriage-return line within the limit");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Harness& harness = TheHarness();
    FuzzedDataProvider input(data, size);
    TransferModel model{input.ConsumeIntegralInRange<int>(0, LargestPageCount)};

    CDeviceLink& link = harness.link;
    // A carriage return outside a transfer ends whatever line the last input left behind.
    link.programming = false;
    Deliver(harness.device, link, std::string_view(&LineEnd, 1));
    link.StartFirmwareUpdate(harness.imagePath);
    Require(link.programming, "the transfer starts");
    // Any page count an image can give, without writing a file per input.
    link.pageCount = static_cast<std::uint16_t>(model.pageCount);

    CLineCollector collector;
    std::string stream;
    std::vector<std::string> collected;
    while (input.remaining_bytes() > 0) {
        const std::string batch = input.ConsumeRandomLengthString(LargestBatch);
        stream += batch;
        Deliver(harness.device, link, batch);
        for (std::string& line : collector.Append(batch)) {
            FollowLine(model, line);
            collected.push_back(std::move(line));
        }
        Require(link.programming == model.programming && link.pageIndex == model.pages,
                "the link answers each page request of the lines so far");
    }
    CheckCollected(collected);
    Require(collected == WholeLines(stream), "batches do not change the lines handed on");
    const std::string frames = ExpectedFrames(harness.image, model);
    Require(harness.device.TakeReceived(frames.size(), DeliveryLimit) == frames,
            "the link sends the command, one frame per request and the end frame");
    return 0;
}
