#include <array>
#include <gtest/gtest.h>
#include <numeric>
#include <vector>

#include "device/command_set.h"
#include "device/page_frame.h"
#include "firmware/flash_image.h"

namespace {

struct CommandCase
{
    std::string built;
    const char* text;
};

class CommandTextTest : public testing::TestWithParam<CommandCase>
{};

TEST_P(CommandTextTest, BuildsTheWireText)
{
    EXPECT_EQ(GetParam().built, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Worked, CommandTextTest,
    testing::Values(CommandCase{MakeValueCommand(0, 1000.0, FrequencyToken), "1000.00001FR"},
                    CommandCase{MakeValueCommand(0, 40.0, FrequencyToken), "40.00001FR"},
                    CommandCase{MakeValueCommand(15, 9.9, GainToken), "9.90016GA"},
                    CommandCase{MakeValueCommand(9, 0.15, QToken), "0.15010FQ"},
                    CommandCase{MakeValueCommand(2, 0.0198, GainToken), "0.02003GA"},
                    CommandCase{MakeValueCommand(4, 0.0625, GainToken), "0.06305GA"},
                    CommandCase{MakeValueCommand(4, 1000.0625, FrequencyToken), "1000.06305FR"},
                    CommandCase{MakeValueCommand(0, 0.707, QToken), "0.70701FQ"},
                    CommandCase{MakeValueCommand(0, -1.5, GainToken), "-1.50001GA"},
                    CommandCase{MakeChannelQuery(15, FrequencyToken), "16FR"},
                    CommandCase{MakeChannelQuery(0, FilterToken), "01FI"},
                    CommandCase{MakeChannelQuery(8, QToken), "09FQ"},
                    CommandCase{*MakeFilterCommand(4, FilterType::Low), "LP05FI"},
                    CommandCase{*MakeFilterCommand(4, FilterType::Tone), "TO05FI"},
                    CommandCase{*MakeFilterCommand(15, FilterType::Band), "BP16FI"},
                    CommandCase{*MakeChannelCommand(0, FilterType::Flat, 1000.0, 0.707, 0.0),
                                "FL-1000.000-0.707-0.00001CC"},
                    CommandCase{*MakeChannelCommand(15, FilterType::Notch, 63.88, 0.695625, 9.9),
                                "NO-63.880-0.696-9.90016CC"}));

TEST(CommandSet, NoFilterCommandForAnUnknownType)
{
    EXPECT_FALSE(MakeFilterCommand(0, static_cast<FilterType>(6)).has_value());
    EXPECT_FALSE(MakeFilterCommand(0, static_cast<FilterType>(-1)).has_value());
    EXPECT_FALSE(MakeChannelCommand(0, static_cast<FilterType>(6), 1000.0, 0.7, 0.0).has_value());
}

struct AnswerCase
{
    std::string answer;
    bool acknowledgement;
    std::optional<ControlMode> mode;
    std::optional<bool> frontPanelLocked;
};

class AnswerTest : public testing::TestWithParam<AnswerCase>
{};

TEST_P(AnswerTest, ComparesByteForByte)
{
    const AnswerCase& c = GetParam();
    EXPECT_EQ(IsAcknowledgement(c.answer), c.acknowledgement);
    EXPECT_EQ(ParseModeAnswer(c.answer), c.mode);
    EXPECT_EQ(ParseFrontPanelAnswer(c.answer), c.frontPanelLocked);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, AnswerTest,
    testing::Values(AnswerCase{"R", true, {}, {}}, AnswerCase{"r", false, {}, {}},
                    AnswerCase{" R", false, {}, {}}, AnswerCase{"R ", false, {}, {}},
                    AnswerCase{"R\n", false, {}, {}}, AnswerCase{"", false, {}, {}},
                    AnswerCase{"M01", false, ControlMode::Live, {}},
                    AnswerCase{"M00", false, ControlMode::FirmwareUpdate, {}},
                    AnswerCase{"M01 ", false, {}, {}}, AnswerCase{"m01", false, {}, {}},
                    AnswerCase{"M02", false, {}, {}}, AnswerCase{"F00", false, {}, true},
                    AnswerCase{"F01", false, {}, false}, AnswerCase{"F02", false, {}, {}},
                    AnswerCase{std::string("M01\0", 4), false, {}, {}}));

struct VersionCase
{
    const char* answer;
    bool product;
    bool version;
};

class VersionAnswerTest : public testing::TestWithParam<VersionCase>
{};

TEST_P(VersionAnswerTest, RecognisesProductAndVersion)
{
    EXPECT_EQ(ContainsProductName(GetParam().answer), GetParam().product);
    EXPECT_EQ(IsVersionAnswer(GetParam().answer), GetParam().version);
}

INSTANTIATE_TEST_SUITE_P(Answers, VersionAnswerTest,
                         testing::Values(VersionCase{"Sonavire Bootloader v1.01", true, true},
                                         VersionCase{"Sonavire v1.02", true, true},
                                         VersionCase{"Sonavire Bootloader v2.00", true, true},
                                         VersionCase{"Sonavire v0.01", true, true},
                                         VersionCase{"xyz Sonavire v9.99", true, true},
                                         VersionCase{"Sonavire", true, false},
                                         VersionCase{"Sonavire V1.02", true, false},
                                         VersionCase{"sonavire v1.02", false, false},
                                         VersionCase{"", false, false}));

TEST(CommandSet, FilterAndNumberAnswers)
{
    EXPECT_EQ(ParseFilterAnswer("NO"), FilterType::Notch);
    EXPECT_FALSE(ParseFilterAnswer("no").has_value());
    EXPECT_FALSE(ParseFilterAnswer("NO ").has_value());
    EXPECT_EQ(ParseNumberAnswer("1000.000"), 1000.0);
    EXPECT_EQ(ParseNumberAnswer("abc"), 0.0);
    EXPECT_EQ(ParseNumberAnswer("12.5x"), 12.5);
}

struct GainListCase
{
    const char* name;
    std::string answer;
    std::array<double, ChannelCount> gains;
};

class GainListTest : public testing::TestWithParam<GainListCase>
{};

TEST_P(GainListTest, ParsesSixteenValues)
{
    EXPECT_EQ(ParseGainList(GetParam().answer), GetParam().gains);
}

std::string Join(int count, bool lastDash)
{
    std::string text;
    for (int i = 1; i <= count; ++i)
        text += std::to_string(i) + ".5" + (i < count || lastDash ? "-" : "");
    return text;
}

std::array<double, ChannelCount> Counting(int count)
{
    std::array<double, ChannelCount> gains{};
    for (int i = 0; i < count && i < ChannelCount; ++i)
        gains[i] = i + 1.5;
    return gains;
}

INSTANTIATE_TEST_SUITE_P(
    Lists, GainListTest,
    testing::Values(GainListCase{"three", "1.500-0.000-9.900-", {1.5, 0.0, 9.9}},
                    GainListCase{"full", Join(16, true), Counting(16)},
                    GainListCase{"lastWithoutDash", Join(16, false), Counting(15)},
                    GainListCase{"twenty", Join(20, true), Counting(16)},
                    GainListCase{"garbage", "x-y-", {}}, GainListCase{"noDash", "5.5", {}},
                    GainListCase{"emptyEntries", "--2.5-", {0.0, 0.0, 2.5}}),
    [](const auto& info) { return std::string(info.param.name); });

std::vector<std::uint8_t> CountingImage(std::size_t size)
{
    std::vector<std::uint8_t> image(size);
    std::iota(image.begin(), image.end(), std::uint8_t{0});
    return image;
}

TEST(PageFrame, CarriesNumberBytesAndChecksum)
{
    const std::vector<std::uint8_t> zeros(FirmwareImageCapacity, 0x00),
        ones(FirmwareImageCapacity, 0xFF);
    const auto zeroFrame = MakePageFrame(zeros, 0);
    EXPECT_EQ(zeroFrame[0], 0);
    EXPECT_EQ(zeroFrame[1], 0);
    EXPECT_EQ(zeroFrame[258], 0);
    EXPECT_EQ(MakePageFrame(ones, 7)[258], 0x00);

    const auto image = CountingImage(FirmwareImageCapacity);
    const auto frame = MakePageFrame(image, 300);
    EXPECT_EQ(frame[0], 0x01);
    EXPECT_EQ(frame[1], 0x2C);
    EXPECT_TRUE(std::equal(frame.begin() + 2, frame.end() - 1, image.begin() + 300 * 256));
    EXPECT_EQ(frame[258], 0x80); // 0 + 1 + ... + 255 = 32640 = 0x7F80
}

TEST(PageFrame, PagesBeyondTheImageAreErasedFlash)
{
    const auto image = CountingImage(FirmwareImageCapacity);
    const auto frame = MakePageFrame(image, 512);
    EXPECT_EQ(frame[0], 0x02);
    EXPECT_EQ(frame[1], 0x00);
    EXPECT_TRUE(
        std::all_of(frame.begin() + 2, frame.end() - 1, [](auto b) { return b == ImageFillByte; }));

    const auto partial = MakePageFrame(CountingImage(300), 1);
    EXPECT_EQ(partial[2], 0); // byte 256 of a counting image wraps to 0
    EXPECT_EQ(partial[45], 43);
    EXPECT_EQ(partial[46], ImageFillByte);
    EXPECT_EQ(EndFrame, (std::array<std::uint8_t, 2>{0xFF, 0xFF}));
}

} // namespace

TEST(HoldsNumberTest, OnlyAnswersThatStartWithANumberHoldAValue)
{
    struct Case
    {
        const char* answer;
        bool holds;
    };
    for (const Case c :
         {Case{"1000.000", true}, Case{" -0.5", true}, Case{".25", true}, Case{"+7", true},
          Case{"E", false}, Case{"", false}, Case{"-", false}, Case{".", false}, Case{"-.x", false},
          Case{"R", false}, Case{"\x01\x02", false}})
        EXPECT_EQ(HoldsNumber(c.answer), c.holds) << c.answer;
}
