#include <climits>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

#include "model/filter_type.h"
#include "model/strip_settings.h"
#include "model/value_scale.h"

namespace {

TEST(PanelSettings, StartsAtTheDefaults)
{
    const PanelSettings settings{};
    for (const StripSettings& strip : settings) {
        EXPECT_EQ(strip.freq, 1000.0);
        EXPECT_EQ(strip.q, 0.707);
        EXPECT_EQ(strip.gain, 0.0);
        EXPECT_EQ(strip.filter, FilterType::Flat);
        EXPECT_FALSE(strip.freqLock || strip.qLock || strip.gainLock);
    }
    EXPECT_EQ(FrequencyScale.ToPosition(settings[0].freq), 120);
    EXPECT_EQ(QScale.ToPosition(settings[0].q), 45);
}

struct ToPositionCase
{
    const char* scale;
    ValueScale valueScale;
    double value;
    int position;
};

class ToPositionTest : public testing::TestWithParam<ToPositionCase>
{};

TEST_P(ToPositionTest, TruncatesTowardZeroWithoutClamping)
{
    EXPECT_EQ(GetParam().valueScale.ToPosition(GetParam().value), GetParam().position);
}

INSTANTIATE_TEST_SUITE_P(
    Worked, ToPositionTest,
    testing::Values(ToPositionCase{"frequency", FrequencyScale, 1000.0, 120},
                    ToPositionCase{"frequency", FrequencyScale, 10000.0, 1251},
                    ToPositionCase{"frequency", FrequencyScale, 20.0, -2},
                    ToPositionCase{"frequency", FrequencyScale, 8000.0, 1000},
                    ToPositionCase{"q", QScale, 0.707, 45}, ToPositionCase{"q", QScale, 5.0, 400},
                    ToPositionCase{"q", QScale, 0.15, 0}, ToPositionCase{"gain", GainScale, 0.0, 0},
                    ToPositionCase{"gain", GainScale, 9.9, 500},
                    ToPositionCase{"gain", GainScale, 12.5, 631}),
    [](const auto& info) { return std::string(info.param.scale) + std::to_string(info.index); });

// Values from files and from the device are not checked; none of them may make the
// conversion undefined.
INSTANTIATE_TEST_SUITE_P(
    Unchecked, ToPositionTest,
    testing::Values(
        ToPositionCase{"nan", FrequencyScale, std::nan(""), 0},
        ToPositionCase{"inf", GainScale, std::numeric_limits<double>::infinity(), INT_MAX},
        ToPositionCase{"minusinf", GainScale, -std::numeric_limits<double>::infinity(), INT_MIN},
        ToPositionCase{"huge", QScale, 1e300, INT_MAX}),
    [](const auto& info) { return std::string(info.param.scale); });

TEST(ValueScale, ToValueMapsPositionsOntoTheRange)
{
    EXPECT_EQ(FrequencyScale.ToValue(0), 40.0);
    EXPECT_EQ(FrequencyScale.ToValue(1000), 8000.0);
    EXPECT_DOUBLE_EQ(FrequencyScale.ToValue(120), 995.2);
    EXPECT_DOUBLE_EQ(FrequencyScale.ToValue(3), 63.88);
    EXPECT_EQ(FrequencyScale.ToPosition(FrequencyScale.ToValue(3)), 2);
    EXPECT_DOUBLE_EQ(QScale.ToValue(45), 0.695625);
    EXPECT_EQ(QScale.ToValue(400), 5.0);
    EXPECT_DOUBLE_EQ(GainScale.ToValue(500), 9.9);
    // A range without positions has one value, its minimum, wherever it is asked.
    constexpr ValueScale Empty{2.5, 7.0, 0};
    EXPECT_EQ(Empty.ToValue(0), 2.5);
    EXPECT_EQ(Empty.ToValue(1), 2.5);
}

TEST(ValueScale, ValueOfAPositionNeverMapsAbove)
{
    for (const ValueScale& scale : {FrequencyScale, QScale, GainScale}) {
        for (int position = 0; position <= scale.positions; ++position) {
            const int back = scale.ToPosition(scale.ToValue(position));
            EXPECT_TRUE(back == position || back == position - 1) << position;
        }
    }
}

TEST(FilterType, TokensRoundTripAndAreCaseSensitive)
{
    const char* tokens[] = {"BP", "FL", "HP", "LP", "NO", "TO"};
    for (int value = 0; value < FilterTypeCount; ++value) {
        const auto type = static_cast<FilterType>(value);
        EXPECT_EQ(FilterTypeToken(type), tokens[value]);
        EXPECT_EQ(ParseFilterType(tokens[value]), type);
    }
    for (const char* text : {"bp", "", "B", "BPX", " FL", "Fl"})
        EXPECT_FALSE(ParseFilterType(text).has_value()) << text;
    EXPECT_TRUE(FilterTypeToken(static_cast<FilterType>(6)).empty());
    EXPECT_TRUE(FilterTypeToken(static_cast<FilterType>(-1)).empty());
}

} // namespace
