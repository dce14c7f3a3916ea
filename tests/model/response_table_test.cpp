#include <charconv>
#include <cmath>
#include <gtest/gtest.h>

#include "model/filter_response.h"
#include "model/response_table.h"

namespace {

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find(separator, start)) != std::string::npos; start = end + 1)
        parts.push_back(text.substr(start, end - start));
    parts.push_back(text.substr(start));
    return parts;
}

double Number(const std::string& text)
{
    double value = NAN;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    EXPECT_TRUE(result.ec == std::errc() && result.ptr == text.data() + text.size()) << text;
    return value;
}

// Read back, the table gives every channel's level at every 1/24 octave within the printed
// precision, and nothing for the tone channel.
TEST(ResponseTable, ReadsBackAsTheLevelsOfEveryChannel)
{
    PanelSettings settings{};
    const FilterType types[] = {FilterType::Low,   FilterType::High, FilterType::Band,
                                FilterType::Notch, FilterType::Flat, FilterType::Tone};
    for (int channel = 0; channel < ChannelCount; ++channel)
        settings[channel] = {40.0 * (channel + 1) * (channel + 1), 0.15 + 0.3 * channel, 0,
                             types[channel % 6]};
    const std::string csv = ResponseCsv(settings);
    ASSERT_TRUE(csv.ends_with('\n'));
    EXPECT_EQ(csv.find('\r'), std::string::npos);

    const std::vector<std::string> lines = Split(csv.substr(0, csv.size() - 1), '\n');
    ASSERT_EQ(lines.size(), 1u + 241);
    EXPECT_EQ(lines[0], "frequency_hz,channel_1,channel_2,channel_3,channel_4,channel_5,"
                        "channel_6,channel_7,channel_8,channel_9,channel_10,channel_11,"
                        "channel_12,channel_13,channel_14,channel_15,channel_16");
    const std::vector<double> frequencies = ResponseFrequencies(24);
    for (std::size_t row = 0; row < frequencies.size(); ++row) {
        const std::vector<std::string> cells = Split(lines[row + 1], ',');
        ASSERT_EQ(cells.size(), 17u) << lines[row + 1];
        EXPECT_NEAR(Number(cells[0]), frequencies[row], 0.0005) << lines[row + 1];
        for (int channel = 0; channel < ChannelCount; ++channel) {
            const std::string& cell = cells[channel + 1];
            const std::optional<double> level = ResponseLevel(settings[channel], frequencies[row]);
            if (!level) {
                EXPECT_EQ(cell, "") << "channel " << channel + 1;
                continue;
            }
            EXPECT_NEAR(Number(cell), *level, 0.00005 * (1 + 1e-9)) << cell;
        }
    }
}

} // namespace
