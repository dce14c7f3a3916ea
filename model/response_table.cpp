#include "model/response_table.h"

#include "model/filter_response.h"
#include "model/number_format.h"

namespace {

constexpr int StepsPerOctave = 24;
constexpr int FrequencyDecimals = 3;
constexpr int LevelDecimals = 4;

std::string HeaderLine()
{
    std::string line = "frequency_hz";
    for (int channel = 0; channel < ChannelCount; ++channel)
        line += ",channel_" + std::to_string(ChannelNumber(channel));
    return line + '\n';
}

std::string RowLine(const PanelSettings& settings, double frequency)
{
    std::string line = FormatFixed(frequency, FrequencyDecimals);
    for (int channel = 0; channel < ChannelCount; ++channel) {
        line += ',';
        if (const auto level = ResponseLevel(settings[channel], frequency))
            line += FormatFixed(*level, LevelDecimals);
    }
    return line + '\n';
}

} // namespace

std::string ResponseCsv(const PanelSettings& settings)
{
    std::string csv = HeaderLine();
    for (const double frequency : ResponseFrequencies(StepsPerOctave))
        csv += RowLine(settings, frequency);
    return csv;
}
