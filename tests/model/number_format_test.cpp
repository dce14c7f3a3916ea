#include <cmath>
#include <gtest/gtest.h>
#include <limits>

#include "model/number_format.h"
#include "model/value_labels.h"

namespace {

struct FixedCase
{
    double value;
    int decimals;
    int width;
    const char* text;
};

class FormatFixedTest : public testing::TestWithParam<FixedCase>
{};

TEST_P(FormatFixedTest, RoundsHalfAwayFromZeroOnExactDigits)
{
    const FixedCase& c = GetParam();
    EXPECT_EQ(FormatFixed(c.value, c.decimals, c.width), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Ties, FormatFixedTest,
    testing::Values(FixedCase{0.25, 1, 0, "0.3"}, FixedCase{995.5, 0, 0, "996"},
                    FixedCase{0.0625, 3, 0, "0.063"}, FixedCase{1000.0625, 3, 0, "1000.063"},
                    FixedCase{0.125, 2, 0, "0.13"}, FixedCase{-0.25, 1, 0, "-0.3"},
                    FixedCase{2.5, 0, 0, "3"}, FixedCase{0.5, 0, 0, "1"},
                    FixedCase{-995.5, 0, 0, "-996"}));

// Values whose binary form lies just below or above the decimal text they were written as.
INSTANTIATE_TEST_SUITE_P(
    InexactDoubles, FormatFixedTest,
    testing::Values(FixedCase{0.0198, 3, 0, "0.020"}, FixedCase{0.707, 2, 0, "0.71"},
                    FixedCase{0.707, 3, 0, "0.707"}, FixedCase{1.005, 2, 0, "1.00"},
                    FixedCase{0.15, 3, 0, "0.150"}, FixedCase{63.88, 2, 0, "63.88"},
                    FixedCase{995.2, 0, 0, "995"}, FixedCase{0.695625, 2, 0, "0.70"},
                    FixedCase{9.9, 3, 0, "9.900"}, FixedCase{0.012125, 5, 0, "0.01213"}));

INSTANTIATE_TEST_SUITE_P(
    CarriesAndWidths, FormatFixedTest,
    testing::Values(FixedCase{9.96, 1, 0, "10.0"}, FixedCase{9.95, 1, 0, "9.9"},
                    FixedCase{99.96, 1, 0, "100.0"}, FixedCase{999.5, 0, 5, " 1000"},
                    FixedCase{40.0, 0, 5, "   40"}, FixedCase{10000.0, 0, 5, "10000"},
                    FixedCase{123456.0, 0, 5, "123456"}, FixedCase{0.0, 2, 2, "0.00"},
                    FixedCase{7.0, 0, 3, "  7"}, FixedCase{1e20, 0, 0, "100000000000000000000"},
                    FixedCase{-0.04, 1, 0, "-0.0"}, FixedCase{5e-324, 3, 0, "0.000"}));

TEST(FormatFixed, NonFiniteValuesPrintLikePrintf)
{
    EXPECT_EQ(FormatFixed(std::numeric_limits<double>::infinity(), 2, 5), "  inf");
    EXPECT_EQ(FormatFixed(-std::numeric_limits<double>::infinity(), 2), "-inf");
    EXPECT_EQ(FormatFixed(std::nan(""), 1), "nan");
}

struct LeadingNumberCase
{
    const char* text;
    double value;
};

class ParseLeadingNumberTest : public testing::TestWithParam<LeadingNumberCase>
{};

TEST_P(ParseLeadingNumberTest, ReadsLikeAtof)
{
    EXPECT_EQ(ParseLeadingNumber(GetParam().text), GetParam().value) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseLeadingNumberTest,
    testing::Values(LeadingNumberCase{"1000.000", 1000.0}, LeadingNumberCase{"abc", 0.0},
                    LeadingNumberCase{"12.5x", 12.5}, LeadingNumberCase{"", 0.0},
                    LeadingNumberCase{"  \t-3.25", -3.25}, LeadingNumberCase{"+7", 7.0},
                    LeadingNumberCase{".5", 0.5}, LeadingNumberCase{"5.", 5.0},
                    LeadingNumberCase{"1e3", 1000.0}, LeadingNumberCase{"1e", 1.0},
                    LeadingNumberCase{"2E-2-", 0.02}, LeadingNumberCase{"-", 0.0},
                    LeadingNumberCase{".", 0.0}, LeadingNumberCase{"0x1A", 0.0},
                    LeadingNumberCase{"inf", 0.0}, LeadingNumberCase{"nan", 0.0},
                    LeadingNumberCase{"1,5", 1.0}, LeadingNumberCase{"0.707", 0.707}));

TEST(ParseLeadingNumber, OverflowGivesInfinityAsAtofDoes)
{
    EXPECT_EQ(ParseLeadingNumber("1e999"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(ParseLeadingNumber("-1e999"), -std::numeric_limits<double>::infinity());
}

TEST(ParseLeadingNumber, IgnoresTheProcessLocale)
{
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8"))
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    EXPECT_EQ(ParseLeadingNumber("12.5"), 12.5);
    EXPECT_EQ(FormatFixed(12.5, 1), "12.5");
    std::setlocale(LC_NUMERIC, saved.c_str());
}

struct LabelCase
{
    double value;
    const char* frequency;
    const char* gain;
};

class ValueLabelTest : public testing::TestWithParam<LabelCase>
{};

TEST_P(ValueLabelTest, FormatsBothLabels)
{
    EXPECT_EQ(FormatFrequencyLabel(GetParam().value), GetParam().frequency);
    EXPECT_EQ(FormatGainLabel(GetParam().value), GetParam().gain);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ValueLabelTest,
    testing::Values(LabelCase{1000.0, " 1000k", "1000.0k"}, LabelCase{40.0, "   40k", "40.0k"},
                    LabelCase{995.2, "  995k", "995.2k"}, LabelCase{0.0, "    0k", "0.0k"},
                    LabelCase{9.9, "   10k", "9.9k"}, LabelCase{12.5, "   13k", "12.5k"},
                    LabelCase{10000.0, "10000k", "10000.0k"}, LabelCase{20.0, "   20k", "20.0k"},
                    LabelCase{0.25, "    0k", "0.3k"}));

} // namespace
