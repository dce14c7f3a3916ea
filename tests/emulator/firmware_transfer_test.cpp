#include <cstdint>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <span>
#include <vector>

#include "device/page_frame.h"
#include "emulator_fixture.h"
#include "temp_dir.h"

namespace {

std::vector<std::uint8_t> TestImage(std::size_t length, int seed = 3)
{
    std::vector<std::uint8_t> image(length);
    for (std::size_t i = 0; i < length; ++i)
        image[i] = static_cast<std::uint8_t>(i * 7 + seed + i / 256);
    return image;
}

// The image as the device must have received it: whole pages, 0xFF past the image's end.
std::vector<std::uint8_t> AsPages(std::vector<std::uint8_t> image, int pages)
{
    image.resize(static_cast<std::size_t>(pages) * PageSize, 0xFF);
    return image;
}

std::string Bytes(std::span<const std::uint8_t> bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

std::vector<std::uint8_t> FileBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

class EmulatorFirmwareTest : public EmulatorFixture
{
protected:
    // The page frame in the panel's three writes.
    void SendPage(std::span<const std::uint8_t> image, int page)
    {
        const PageFrame frame = MakePageFrame(image, page);
        Client().Write(Bytes(std::span(frame).first(2)));
        Client().Write(Bytes(std::span(frame).subspan(2, PageSize)));
        Client().Write(Bytes(std::span(frame).last(1)));
    }

    // Sends the image the way the panel does: pages 0 to length / 256, each on request, the
    // end frame right behind the last page.
    void SendImage(std::span<const std::uint8_t> image)
    {
        const int lastPage = static_cast<int>(image.size() / PageSize);
        Client().Command("UF");
        for (int page = 0; page <= lastPage; ++page) {
            ASSERT_EQ(Client().ReadLine(), "<<") << "request for page " << page;
            SendPage(image, page);
        }
        Client().Write(Bytes(EndFrame));
        EXPECT_EQ(Client().ReadLine(), "<<");
        ASSERT_TRUE(WaitUntil([&] { return Device().TransferComplete(); }));
    }

    CTempDir folder;
};

TEST_F(EmulatorFirmwareTest, WholeTransferWritesTheImageAsReceived)
{
    const std::string out = folder.Path("image.bin");
    Start({.firmwareOut = out, .updateMode = true});
    const auto image = TestImage(600);
    SendImage(image);

    EXPECT_EQ(Device().PagesReceived(), 3);
    EXPECT_EQ(Device().ReceivedImage(), AsPages(image, 3));
    EXPECT_EQ(FileBytes(out), AsPages(image, 3));
    EXPECT_FALSE(Device().TransferRunning());
    EXPECT_EQ(Client().Exchange("?M"), "M00");
}

TEST_F(EmulatorFirmwareTest, ImageOfWholePagesEndsWithAnErasedPage)
{
    const std::string out = folder.Path("image.bin");
    Start({.firmwareOut = out, .updateMode = true});
    const auto image = TestImage(2 * PageSize);
    SendImage(image);
    EXPECT_EQ(FileBytes(out), AsPages(image, 3));
}

TEST_F(EmulatorFirmwareTest, FrameBytesMayArriveOneByOne)
{
    Start({.updateMode = true});
    const auto image = TestImage(300);
    Client().Command("UF");
    for (int page = 0; page <= 1; ++page) {
        ASSERT_EQ(Client().ReadLine(), "<<");
        for (std::uint8_t byte : MakePageFrame(image, page))
            Client().Write(std::string(1, static_cast<char>(byte)));
    }
    EXPECT_EQ(Client().ReadLine(), "<<");
    Client().Write(Bytes(std::span(EndFrame).first(1)));
    Client().Write(Bytes(std::span(EndFrame).last(1)));
    ASSERT_TRUE(WaitUntil([&] { return Device().TransferComplete(); }));
    EXPECT_EQ(Device().ReceivedImage(), AsPages(image, 2));
}

TEST_F(EmulatorFirmwareTest, PacedTransferDeliversTheSameImage)
{
    Start({.paced = true, .updateMode = true});
    const auto image = TestImage(400, 11);
    SendImage(image);
    EXPECT_EQ(Device().ReceivedImage(), AsPages(image, 2));
    EXPECT_EQ(Client().Exchange("?V"), "Sonavire Bootloader v1.01");
}

TEST_F(EmulatorFirmwareTest, EachTransferStartsAfresh)
{
    Start({.updateMode = true});
    SendImage(TestImage(700));
    const auto second = TestImage(100, 42);
    SendImage(second);
    EXPECT_EQ(Device().PagesReceived(), 1);
    EXPECT_EQ(Device().ReceivedImage(), AsPages(second, 1));
}

struct FrameStep
{
    int page;
    bool badChecksum;
    const char* answer;
};

struct RejectionCase
{
    const char* name;
    std::vector<FrameStep> steps;
};

void PrintTo(const RejectionCase& rejection, std::ostream* out)
{
    *out << rejection.name;
}

class EmulatorFrameRejectionTest : public EmulatorFirmwareTest,
                                   public testing::WithParamInterface<RejectionCase>
{};

TEST_P(EmulatorFrameRejectionTest, AbortsTheTransferAndServesCommandsAgain)
{
    const std::string out = folder.Path("image.bin");
    Start({.firmwareOut = out, .updateMode = true});
    const auto image = TestImage(5 * PageSize);
    Client().Command("UF");
    ASSERT_EQ(Client().ReadLine(), "<<");
    for (const FrameStep& step : GetParam().steps) {
        PageFrame frame = MakePageFrame(image, step.page);
        if (step.badChecksum)
            ++frame.back();
        Client().Write(Bytes(frame));
        EXPECT_EQ(Client().ReadLine(), step.answer) << "page " << step.page;
    }
    EXPECT_FALSE(Device().TransferRunning());
    EXPECT_FALSE(Device().TransferComplete());
    EXPECT_EQ(Client().Exchange("?M"), "M00");
    EXPECT_TRUE(FileBytes(out).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Frames, EmulatorFrameRejectionTest,
    testing::Values(RejectionCase{"BadChecksumOnFirstPage", {{0, true, "<!"}}},
                    RejectionCase{"BadChecksumLater",
                                  {{0, false, "<<"}, {1, false, "<<"}, {2, true, "<!"}}},
                    RejectionCase{"FirstPageIsNotZero", {{1, false, "<!"}}},
                    RejectionCase{"SkippedPage", {{0, false, "<<"}, {2, false, "<!"}}},
                    RejectionCase{"RepeatedPage", {{0, false, "<<"}, {0, false, "<!"}}}));

class EmulatorAbortTest : public EmulatorFirmwareTest, public testing::WithParamInterface<int>
{};

TEST_P(EmulatorAbortTest, AbortsInsteadOfTheRequestAfterThatManyPages)
{
    const int pages = GetParam();
    Start({.updateMode = true});
    Device().AbortTransferAfterPages(pages);
    const auto image = TestImage(4 * PageSize);
    Client().Command("UF");
    for (int page = 0; page < pages; ++page) {
        ASSERT_EQ(Client().ReadLine(), "<<");
        SendPage(image, page);
    }
    EXPECT_EQ(Client().ReadLine(), "<!");
    EXPECT_EQ(Device().PagesReceived(), pages);
    EXPECT_FALSE(Device().TransferRunning());
    EXPECT_EQ(Client().Exchange("?M"), "M00");
    // The abort happens once; the next transfer runs.
    EXPECT_EQ(Client().Exchange("UF"), "<<");
}

INSTANTIATE_TEST_SUITE_P(Pages, EmulatorAbortTest, testing::Values(0, 1, 3));

TEST_F(EmulatorFirmwareTest, SilenceStopsThePageRequests)
{
    Start({.updateMode = true});
    const auto image = TestImage(300);
    Client().Command("UF");
    ASSERT_EQ(Client().ReadLine(), "<<");
    Device().InjectFault(Fault::Silence);
    SendPage(image, 0);
    SendPage(image, 1);
    Client().Write(Bytes(EndFrame));
    ASSERT_TRUE(WaitUntil([&] { return Device().TransferComplete(); }));
    Device().ClearFaults();
    // Had any request slipped out, it would come before this answer.
    EXPECT_EQ(Client().Exchange("?M"), "M00");
    EXPECT_EQ(Device().ReceivedImage(), AsPages(image, 2));
}

TEST_F(EmulatorFirmwareTest, TransferNeedsTheUpdateSwitch)
{
    Start();
    EXPECT_EQ(Client().Exchange("UF"), "E");
    EXPECT_FALSE(Device().TransferRunning());
    EXPECT_EQ(Client().Exchange("?M"), "M01");
}

} // namespace
