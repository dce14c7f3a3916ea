#include "device/device_link.h"

#include <optional>

#include "device/command_set.h"
#include "device/page_frame.h"
#include "firmware/fileio.h"
#include "model/number_format.h"
#include "serial/serial_panel_wnd.h"

namespace {

constexpr int DataBits = 8;
constexpr int NoParity = 0;
constexpr int OneStopBit = 0;
constexpr int FirmwareStartWaitMs = 2000;
constexpr std::size_t ReceiveChunk = 1024;

constexpr const char* ProgressPrefix = "Programming Sonavire Firmware; ";
// The trailing spaces blank the rest of the status line behind a shorter text.
constexpr const char* ProgressPadding = "                      ";

std::string ProgressText(int pagesSent, int pageCount)
{
    const double percent = static_cast<double>(pagesSent) / pageCount * 100.0;
    return ProgressPrefix + FormatFixed(percent, 0, 3) + "%" + ProgressPadding;
}

} // namespace

CDeviceLink::CDeviceLink() : image(ImageCapacity + PageSize, 0xFF) {}

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

void CDeviceLink::Disconnect()
{
    if (port)
        port->Close();
    mode = ControlMode::Offline;
    frontPanelLocked = true;
}

void CDeviceLink::Drop()
{
    port->Close();
    mode = ControlMode::Offline;
    frontPanelLocked = true;
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
    if (!IsPortOpen()) {
        mode = ControlMode::Offline;
    } else if (auto parsed = ParseModeAnswer(Transact(std::string(ModeQuery), true, QueryWaitMs))) {
        mode = *parsed;
    }
    return mode != old;
}

bool CDeviceLink::QueryFrontPanel()
{
    if (mode == ControlMode::Offline)
        return false;
    const bool old = frontPanelLocked;
    if (auto locked =
            ParseFrontPanelAnswer(Transact(std::string(FrontPanelQuery), true, QueryWaitMs)))
        frontPanelLocked = *locked;
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
    return false;
}

bool CDeviceLink::ReadGains(PanelSettings& settings)
{
    const std::string answer = Transact(std::string(GainListQuery), true, QueryWaitMs);
    if (answer.empty())
        return false;
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
bool CDeviceLink::ReadChannels(std::string_view token, Store store)
{
    bool changed = false;
    for (int index = 0; index < ChannelCount; ++index) {
        const std::string answer = Transact(MakeChannelQuery(index, token), true, QueryWaitMs);
        if (answer.empty())
            return false;
        const auto stored = store(index, answer);
        if (!stored)
            return false;
        changed = changed || *stored;
    }
    return changed;
}

bool CDeviceLink::ReadFilterTypes(PanelSettings& settings)
{
    return ReadChannels(FilterToken,
                        [&](int index, const std::string& answer) -> std::optional<bool> {
                            const auto type = ParseFilterAnswer(answer);
                            if (!type)
                                return std::nullopt;
                            const bool changed = settings[index].filter != *type;
                            settings[index].filter = *type;
                            return changed;
                        });
}

bool CDeviceLink::ReadFrequencies(PanelSettings& settings)
{
    // A refusal or garbage has no value in it; reading it as zero would put 0 Hz on the
    // panel and send it with the next download.
    return ReadChannels(FrequencyToken,
                        [&](int index, const std::string& answer) -> std::optional<bool> {
                            if (!HoldsNumber(answer))
                                return std::nullopt;
                            const double value = ParseNumberAnswer(answer);
                            const bool changed = settings[index].freq != value;
                            settings[index].freq = value;
                            return changed;
                        });
}

bool CDeviceLink::ReadQs(PanelSettings& settings)
{
    return ReadChannels(QToken, [&](int index, const std::string& answer) -> std::optional<bool> {
        if (!HoldsNumber(answer))
            return std::nullopt;
        const double value = ParseNumberAnswer(answer);
        const bool changed = settings[index].q != value;
        settings[index].q = value;
        return changed;
    });
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
    if (hexFileName.empty())
        return;
    const int length = fileio(FileOperation::Read, hexFileName.c_str(), FileFormat::IntelHex,
                              image.data(), ImageCapacity);
    if (length <= 0)
        return;
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
    pageChecksum = frame[PageFrameSize - 1];
    WriteBytes(frame.data(), 2);
    WriteBytes(frame.data() + 2, PageSize);
    WriteBytes(&pageChecksum, 1);
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
    if ((event & 0xFFFF) != EventCharacterReceived || !IsPortOpen())
        return;
    for (const std::string& line : receiveText.Append(ReadWaitingBytes()))
        OnFirmwareLine(line);
}
