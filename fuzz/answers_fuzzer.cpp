// Device answers: every answer parser on any line, and the parsed numbers used the way the
// panel uses a channel read from the device.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string_view>

#include "device/command_set.h"
#include "fuzz/require.h"
#include "model/value_labels.h"
#include "model/value_scale.h"

namespace {

void UseNumber(double value)
{
    Require(!std::isnan(value), "a number answer is never NaN");
    FrequencyScale.ToPosition(value);
    QScale.ToPosition(value);
    GainScale.ToPosition(value);
    FormatFrequencyLabel(value);
    FormatGainLabel(value);
    Require(!MakeValueCommand(0, value, GainToken).empty(), "a read value can be sent back");
}

void CheckGainList(std::string_view answer)
{
    const auto gains = ParseGainList(answer);
    const auto fields = static_cast<std::size_t>(std::count(answer.begin(), answer.end(), '-'));
    for (std::size_t channel = 0; channel < gains.size(); ++channel) {
        if (channel >= fields)
            Require(gains[channel] == 0.0, "a channel the list does not reach reads 0");
        UseNumber(gains[channel]);
    }
    if (HoldsGainList(answer))
        Require(fields > 0 && !answer.starts_with('-'),
                "a gain list holds a number before its first separator");
}

void CheckWordAnswers(std::string_view answer)
{
    if (const auto mode = ParseModeAnswer(answer))
        Require((*mode == ControlMode::Live && answer == "M01") ||
                    (*mode == ControlMode::FirmwareUpdate && answer == "M00"),
                "a mode answer is M01 or M00");
    if (const auto locked = ParseFrontPanelAnswer(answer))
        Require(answer == (*locked ? "F00" : "F01"), "a front-panel answer is F00 or F01");
    if (const auto type = ParseFilterAnswer(answer))
        Require(IsFilterType(static_cast<int>(*type)) && FilterTypeToken(*type) == answer,
                "a filter answer is a filter token");
    if (IsVersionAnswer(answer))
        Require(ContainsProductName(answer), "a version answer names the product");
    if (IsAcknowledgement(answer))
        Require(answer == Acknowledgement, "only R acknowledges");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view answer(reinterpret_cast<const char*>(data), size);
    CheckWordAnswers(answer);
    UseNumber(ParseNumberAnswer(answer));
    CheckGainList(answer);
    return 0;
}
