#include "device/device_link.h"

#include <optional>
#include <utility>

#include "device/command_set.h"
#include "device/page_frame.h"
#include "firmware/fileio.h"
#include "firmware/fileio_message_capture.h"
#include "firmware/flash_image.h"
#include "model/number_format.h"
#include "serial/message_registry.h"
#include "serial/serial_panel_wnd.h"

namespace {

constexpr int DataBits = 8;
constexpr int NoParity = 0;
constexpr int OneStopBit = 0;
constexpr int FirmwareStartWaitMs = 2000;
constexpr std::size_t ReceiveChunk = 1024;
constexpr const char* StateMessageName = "CDeviceLink_StateMsg";

constexpr const char* ProgressPrefix = "Programming Sonavire Firmware; ";
// The trailing spaces blank the rest of the status line behind a shorter text.
constexpr const char* ProgressPadding = "                      ";

constexpr std::size_t QuotedAnswerLength = 32;

// Enough of an answer to recognise it, with bytes that would garble a terminal shown as '?'.
std::string QuotedAnswer(const std::string& answer)
{
    std::string shown = answer.substr(0, QuotedAnswerLength);
    for (char& c : shown) {
        if (c < ' ' || c > '~')
            c = '?';
    }
    return "\"" + shown + (answer.size() > QuotedAnswerLength ? "...\"" : "\"");
}

std::string ProgressText(int pagesSent, int pageCount)
{
    const double percent = static_cast<double>(pagesSent) / pageCount * 100.0;
    return ProgressPrefix + FormatFixed(percent, 0, 3) + "%" + ProgressPadding;
}

} // namespace

std::uint32_t CDeviceLink::StateMessage()
{
    static const std::uint32_t number = RegisterMessageName(StateMessageName);
    return number;
}

CDeviceLink::CDeviceLink() : image(FirmwareImageCapacity + PageSize, ImageFillByte) {}

void CDeviceLink::Attach(IMessageWindow* windowObject, CSerialPanelWnd* serialPort)
{
    window = windowObject;
    port = serialPort;
}

bool CDeviceLink::IsPortOpen() const
{
    return port && port->IsOpen();
}

bool CDeviceLink::Connect(const std::string& portName)
{
    if (mode != ControlMode::Offline)
        return true;
    connectFailure.clear();
    if (!port)
        return false;
    if (port->Open(portName, window, 0, 0, 0, 0) != StatusSuccess) {
        connectFailure = "cannot open " + portName + ": " + port->LastErrorText();
        port->Close();
        return false;
    }
    port->Configure(BaudRate, DataBits, NoParity, OneStopBit);
    const std::string answer = Transact(std::string(VersionQuery), true, ConnectWaitMs);
    if (ContainsProductName(answer)) {
        identification = answer;
        return true;
    }
    connectFailure = answer.empty() ? "no answer on " + portName
                                    : "no Sonavire on " + portName + " (it answered \"" +
                                          answer.substr(0, 64) + "\")";
    port->Close();
    return false;
}

void CDeviceLink::ChangeMode(ControlMode next, ModeChange change)
{
    if (next == mode)
        return;
    mode = next;
    if (window)
        window->MessageTarget()->Post(StateMessage(), static_cast<std::uintptr_t>(next),
                                      static_cast<std::intptr_t>(change));
}

void CDeviceLink::Disconnect()
{
    if (port)
        port->Close();
    frontPanelLocked = true;
    ChangeMode(ControlMode::Offline, ModeChange::Ordinary);
}

void CDeviceLink::Drop()
{
    port->Close();
    frontPanelLocked = true;
    ChangeMode(ControlMode::Offline, ModeChange::Dropped);
}

// A pulled adapter or a closed far end leaves the line readable for ever; holding it open would
// only wait for the next exchange to time out.
void CDeviceLink::LoseLine()
{
    port->Close();
    frontPanelLocked = true;
    ChangeMode(ControlMode::Offline, ModeChange::LineLost);
}

void CDeviceLink::NoteFailure(const std::string& command, const std::string& answer, int index)
{
    if (!failure.empty())
        return;
    if (index >= 0)
        failure = "channel " + std::to_string(ChannelNumber(index)) + ", ";
    failure += "command " + command + ": ";
    failure += answer.empty() ? "no answer" : "the device answered " + QuotedAnswer(answer);
}

std::string CDeviceLink::TakeFailure()
{
    return std::exchange(failure, {});
}

std::string CDeviceLink::Transact(const std::string& command, bool expectAnswer, int timeoutMs)
{
    std::string answer;
    if (!IsPortOpen())
        return answer;
    // One write, so that the device is not woken for a command without its line end.
    port->WriteText(command + LineEnd);
    if (!expectAnswer)
        return answer;
    if (port->ReadLine(answer, static_cast<std::uint32_t>(timeoutMs)) != StatusSuccess) {
        answer.clear();
        Drop();
    }
    return answer;
}

bool CDeviceLink::QueryMode()
{
    const ControlMode old = mode;
    // A link that believes itself connected without a line has lost it.
    if (!IsPortOpen()) {
        ChangeMode(ControlMode::Offline, ModeChange::Dropped);
    } else {
        const std::string answer = Transact(std::string(ModeQuery), true, QueryWaitMs);
        if (const auto parsed = ParseModeAnswer(answer))
            ChangeMode(*parsed, ModeChange::Ordinary);
        else
            NoteFailure(std::string(ModeQuery), answer);
    }
    return mode != old;
}

bool CDeviceLink::QueryFrontPanel()
{
    if (mode == ControlMode::Offline)
        return false;
    const bool old = frontPanelLocked;
    const std::string answer = Transact(std::string(FrontPanelQuery), true, QueryWaitMs);
    if (const auto locked = ParseFrontPanelAnswer(answer))
        frontPanelLocked = *locked;
    else
        NoteFailure(std::string(FrontPanelQuery), answer);
    return frontPanelLocked != old;
}

bool CDeviceLink::QueryVersion()
{
    if (mode == ControlMode::Offline)
        return false;
    const std::string answer = Transact(std::string(VersionQuery), true, QueryWaitMs);
    if (IsVersionAnswer(answer)) {
        versionText = answer;
        return true;
    }
    versionText.clear();
    NoteFailure(std::string(VersionQuery), answer);
    return false;
}

bool CDeviceLink::ReadGains(PanelSettings& settings)
{
    const std::string answer = Transact(std::string(GainListQuery), true, QueryWaitMs);
    // A refusal or a garbled list has no gains in it; reading it as zeros would silence the
    // panel's faders and send that with the next download.
    if (!HoldsGainList(answer)) {
        NoteFailure(std::string(GainListQuery), answer);
        return false;
    }
    const auto gains = ParseGainList(answer);
    bool changed = false;
    for (int index = 0; index < ChannelCount; ++index) {
        if (settings[index].gain != gains[index]) {
            settings[index].gain = gains[index];
            changed = true;
        }
    }
    return changed;
}

template <typename Store>
bool CDeviceLink::ReadChannels(std::string_view token, ChannelMismatch mismatch, Store store)
{
    bool changed = false;
    for (int index = 0; index < ChannelCount; ++index) {
        const std::string command = MakeChannelQuery(index, token);
        const std::string answer = Transact(command, true, QueryWaitMs);
        const auto stored = answer.empty() ? std::nullopt : store(index, answer);
        if (!stored) {
            NoteFailure(command, answer, index);
            if (answer.empty() || mismatch == ChannelMismatch::EndsRead)
                return false;
            continue;
        }
        changed = changed || *stored;
    }
    return changed;
}

bool CDeviceLink::ReadFilterTypes(PanelSettings& settings)
{
    return ReadChannels(FilterToken, ChannelMismatch::EndsRead,
                        [&](int index, const std::string& answer) -> std::optional<bool> {
                            const auto type = ParseFilterAnswer(answer);
                            if (!type)
                                return std::nullopt;
                            const bool changed = settings[index].filter != *type;
                            settings[index].filter = *type;
                            return changed;
                        });
}

// A refusal or garbage has no value in it; reading it as zero would put 0 Hz on the panel
// and send it with the next download. The channel keeps its value and the read goes on, as
// it does for any answer that is not missing.
template <typename Field>
bool CDeviceLink::ReadNumbers(std::string_view token, PanelSettings& settings, Field field)
{
    return ReadChannels(token, ChannelMismatch::KeepsValue,
                        [&](int index, const std::string& answer) -> std::optional<bool> {
                            if (!HoldsNumber(answer))
                                return std::nullopt;
                            const double value = ParseNumberAnswer(answer);
                            const bool changed = settings[index].*field != value;
                            settings[index].*field = value;
                            return changed;
                        });
}

bool CDeviceLink::ReadFrequencies(PanelSettings& settings)
{
    return ReadNumbers(FrequencyToken, settings, &StripSettings::freq);
}

bool CDeviceLink::ReadQs(PanelSettings& settings)
{
    return ReadNumbers(QToken, settings, &StripSettings::q);
}

bool CDeviceLink::IsAcknowledged(const std::string& command)
{
    return IsAcknowledgement(Transact(command, true, SetWaitMs));
}

bool CDeviceLink::SetFrequency(int index, double freq)
{
    return IsAcknowledged(MakeValueCommand(index, freq, FrequencyToken));
}

bool CDeviceLink::SetQ(int index, double q)
{
    return IsAcknowledged(MakeValueCommand(index, q, QToken));
}

bool CDeviceLink::SetGain(int index, double gain)
{
    return IsAcknowledged(MakeValueCommand(index, gain, GainToken));
}

bool CDeviceLink::SetFilterType(int index, FilterType type)
{
    const auto command = MakeFilterCommand(index, type);
    return command && IsAcknowledged(*command);
}

bool CDeviceLink::SetChannel(int index, FilterType type, double freq, double q, double gain)
{
    const auto command = MakeChannelCommand(index, type, freq, q, gain);
    return command && IsAcknowledged(*command);
}

bool CDeviceLink::StoreSettings()
{
    return IsAcknowledgement(Transact(std::string(StoreCommand), true, StoreWaitMs));
}

void CDeviceLink::StartFirmwareUpdate(const std::string& hexFileName)
{
    firmwareFileFailure.clear();
    if (hexFileName.empty())
        return;
    const CFileIoMessageCapture reader;
    const int length = fileio(FileOperation::Read, hexFileName.c_str(), FileFormat::IntelHex,
                              image.data(), FirmwareImageCapacity);
    if (length <= 0) {
        firmwareFileFailure = reader.Text();
        return;
    }
    pageCount = static_cast<std::uint16_t>(length / PageSize);
    Transact(std::string(UpdateFirmwareCommand), false, FirmwareStartWaitMs);
    pageIndex = 0;
    programming = true;
    lastPageRequest = std::chrono::steady_clock::now();
}

void CDeviceLink::WriteBytes(const std::uint8_t* bytes, std::size_t length)
{
    port->Write(bytes, length, nullptr, Infinite);
}

void CDeviceLink::SendPage()
{
    const PageFrame frame = MakePageFrame(image, pageIndex);
    WriteBytes(frame.data(), 2);
    WriteBytes(frame.data() + 2, PageSize);
    WriteBytes(frame.data() + PageFrameSize - 1, 1);
    ++pageIndex;
}

void CDeviceLink::OnFirmwareLine(const std::string& line)
{
    if (!programming)
        return;
    if (line == std::string(PageRequest) + LineEnd) {
        lastPageRequest = std::chrono::steady_clock::now();
        SendPage();
        if (pageIndex > pageCount) {
            WriteBytes(EndFrame.data(), EndFrame.size());
            programming = false;
            progressText = std::string(ProgressPrefix) + "Complete!";
        } else {
            progressText = ProgressText(pageIndex, pageCount);
        }
    } else if (line == std::string(TransferAborted) + LineEnd) {
        programming = false;
        progressText = std::string(ProgressPrefix) + "ERROR! Update Aborted";
    }
}

void CDeviceLink::CheckFirmwareResponse(std::chrono::steady_clock::time_point now)
{
    if (programming && now - lastPageRequest >= FirmwareResponseLimit) {
        programming = false;
        progressText = std::string(ProgressPrefix) + "ERROR! No response from Sonavire";
    }
}

std::string CDeviceLink::ReadWaitingBytes()
{
    std::string bytes;
    char chunk[ReceiveChunk];
    std::size_t count = 0;
    do {
        if (port->Read(chunk, sizeof chunk, &count, 0) != StatusSuccess)
            break;
        bytes.append(chunk, count);
    } while (count == sizeof chunk);
    return bytes;
}

void CDeviceLink::OnSerialEvent(std::uintptr_t event)
{
    if (!IsPortOpen())
        return;
    // A transfer in progress ends by its own limit, with the transfer's own words.
    if ((event & EventLineError) && port->LineGone() && !programming)
        return LoseLine();
    if ((event & 0xFFFF) != EventCharacterReceived)
        return;
    for (const std::string& line : receiveText.Append(ReadWaitingBytes()))
        OnFirmwareLine(line);
}
