#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "device/control_mode.h"
#include "model/filter_type.h"
#include "model/strip_settings.h"

// The fixed command texts; every command line ends with one carriage return.
inline constexpr std::string_view VersionQuery = "?V";
inline constexpr std::string_view ModeQuery = "?M";
inline constexpr std::string_view FrontPanelQuery = "FP";
inline constexpr std::string_view GainListQuery = "QS";
inline constexpr std::string_view StoreCommand = "ST";
inline constexpr std::string_view UpdateFirmwareCommand = "UF";
inline constexpr char LineEnd = '\r';

// Channel command tokens, last in the line.
inline constexpr std::string_view FilterToken = "FI";
inline constexpr std::string_view FrequencyToken = "FR";
inline constexpr std::string_view QToken = "FQ";
inline constexpr std::string_view GainToken = "GA";
inline constexpr std::string_view ChannelToken = "CC";

// How long the panel waits for each byte of an answer.
inline constexpr int ConnectWaitMs = 2000;
inline constexpr int QueryWaitMs = 1000;
inline constexpr int SetWaitMs = 3000;
inline constexpr int StoreWaitMs = 4000;

inline constexpr std::string_view Acknowledgement = "R";
inline constexpr std::string_view ProductName = "Sonavire";
inline constexpr std::string_view KnownBootloaderVersion = "Sonavire Bootloader v1.01";
inline constexpr std::string_view KnownFirmwareVersion = "Sonavire v1.02";

// Lines the bootloader sends during a firmware transfer.
inline constexpr std::string_view PageRequest = "<<";
inline constexpr std::string_view TransferAborted = "<!";

std::string MakeChannelQuery(int index, std::string_view token);
std::string MakeValueCommand(int index, double value, std::string_view token);
std::optional<std::string> MakeFilterCommand(int index, FilterType type);
std::optional<std::string> MakeChannelCommand(int index, FilterType type, double freq, double q,
                                              double gain);

bool IsAcknowledgement(std::string_view answer);
std::optional<ControlMode> ParseModeAnswer(std::string_view answer);

// True when the device's front-panel volume controls are locked ("F00").
std::optional<bool> ParseFrontPanelAnswer(std::string_view answer);

bool ContainsProductName(std::string_view answer);
bool IsVersionAnswer(std::string_view answer);
std::optional<FilterType> ParseFilterAnswer(std::string_view answer);
double ParseNumberAnswer(std::string_view answer);
// Whether the answer starts with a number (after blanks, an optional sign, then a digit or a
// point and a digit): a read answered with anything else has no value to take.
bool HoldsNumber(std::string_view answer);
std::array<double, ChannelCount> ParseGainList(std::string_view answer);
// Whether the answer is a gain list: at least one gain, and a number in every field that a
// separator ends. A refusal or a garbled line is none, and holds no gain to take.
bool HoldsGainList(std::string_view answer);
