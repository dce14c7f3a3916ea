#include <gtest/gtest.h>

#include <limits>

#include "model/filter_response.h"

namespace {

StripSettings Channel(FilterType filter, double freq, double q)
{
    StripSettings channel;
    channel.filter = filter;
    channel.freq = freq;
    channel.q = q;
    return channel;
}

// Levels at points where the second-order shapes have closed forms.
TEST(FilterResponse, LevelsAtKnownPointsMatchTheClosedForms)
{
    struct Case
    {
        const char* name;
        StripSettings channel;
        double at;
        double lowestDb;
        double highestDb;
    };
    const Case cases[] = {
        {"low-pass Q 0.707 at its frequency", Channel(FilterType::Low, 1000, 0.707), 1000, -3.02,
         -3.00},
        {"low-pass passes a decade below", Channel(FilterType::Low, 1000, 0.707), 100, -0.01, 0},
        {"low-pass three octaves up (warped past 36 dB)", Channel(FilterType::Low, 1000, 0.707),
         8000, -38.5, -36},
        {"notch at its centre", Channel(FilterType::Notch, 2000, 2.0), 2000, ResponseFloorDb, -40},
        {"band-pass peaks at 0 dB", Channel(FilterType::Band, 500, 3.0), 500, -1e-9, 1e-9},
        {"band-pass Q 0.707 an octave off", Channel(FilterType::Band, 500, 0.707), 1000, -4, -3},
        {"high-pass at 40 Hz passes 1 kHz", Channel(FilterType::High, 40, 0.707), 1000, -0.1, 0.1},
        {"high-pass Q 5 peaks near its frequency", Channel(FilterType::High, 1000, 5.0), 1000, 13.9,
         14.0},
        {"flat", Channel(FilterType::Flat, 1000, 0.707), 37, 0, 0},
    };
    for (const Case& c : cases) {
        const std::optional<double> level = ResponseLevel(c.channel, c.at);
        ASSERT_TRUE(level) << c.name;
        EXPECT_GE(*level, c.lowestDb) << c.name;
        EXPECT_LE(*level, c.highestDb) << c.name;
    }
    EXPECT_FALSE(ResponseLevel(Channel(FilterType::Tone, 1000, 0.707), 1000));
}

// A settings file may hold any number: each still draws the shape the knob would show.
TEST(FilterResponse, ValuesOutsideTheKnobsRangesTakeTheirNearestEnd)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case
    {
        StripSettings read;
        StripSettings shown;
    };
    const Case cases[] = {
        {Channel(FilterType::Low, 0, 0), Channel(FilterType::Low, 40, 0.15)},
        {Channel(FilterType::Band, -5, -1), Channel(FilterType::Band, 40, 0.15)},
        {Channel(FilterType::Notch, 1e308, 1e-300), Channel(FilterType::Notch, 8000, 0.15)},
        {Channel(FilterType::High, 30000, nan), Channel(FilterType::High, 8000, 0.15)},
        {Channel(FilterType::High, nan, 9), Channel(FilterType::High, 40, 5)},
    };
    for (const Case& c : cases) {
        for (double at : {20.0, 1000.0, 20000.0})
            EXPECT_EQ(ResponseLevel(c.read, at), ResponseLevel(c.shown, at))
                << c.read.freq << " " << c.read.q << " at " << at;
    }
}

TEST(FilterResponse, FrequenciesRunFromTwentyHertzToTwentyKilohertz)
{
    const std::vector<double> steps = ResponseFrequencies(24);
    ASSERT_EQ(steps.size(), 241u);
    EXPECT_EQ(steps.front(), 20.0);
    EXPECT_NEAR(steps[24], 40.0, 1e-9);
    EXPECT_EQ(steps.back(), 20000.0);
    EXPECT_LT(steps[steps.size() - 2], 20000.0);
}

} // namespace
