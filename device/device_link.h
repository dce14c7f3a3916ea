#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "device/control_mode.h"
#include "device/line_collector.h"
#include "model/strip_settings.h"

class CSerialPanelWnd;
class IMessageWindow;

// The panel's one conversation with the Sonavire. Every exchange is one command line and at
// most one answer line, made synchronously: the caller waits for the answer or its time-out.
// An answer that does not come in time drops the link: the port closes and the mode
// returns to Offline.
class CDeviceLink
{
public:
    static constexpr int BaudRate = 38400;
    // A device that stops asking for pages must not hold the panel for ever.
    static constexpr std::chrono::seconds FirmwareResponseLimit{10};

    // Posted to the attached window whenever mode changes, so that its owner need not watch
    // the field after every exchange: wParam holds the new ControlMode, lParam a ModeChange.
    static std::uint32_t StateMessage();

    enum class ModeChange : std::intptr_t
    {
        // The device answered with another mode, or the owner disconnected.
        Ordinary = 0,
        // An exchange went unanswered and the link dropped the line.
        Dropped = 1,
        // The line itself hung up between exchanges: nobody has said so yet.
        LineLost = 2,
    };

    CDeviceLink();

    void Attach(IMessageWindow* window, CSerialPanelWnd* port);

    bool Connect(const std::string& portName);
    void Disconnect();
    std::string Transact(const std::string& command, bool expectAnswer, int timeoutMs);

    bool QueryMode();
    bool QueryFrontPanel();
    bool QueryVersion();

    // The reads fill the sixteen channel strips of settings; the master is never read.
    bool ReadGains(PanelSettings& settings);
    bool ReadFilterTypes(PanelSettings& settings);
    bool ReadFrequencies(PanelSettings& settings);
    bool ReadQs(PanelSettings& settings);

    bool SetFrequency(int index, double freq);
    bool SetQ(int index, double q);
    bool SetGain(int index, double gain);
    bool SetFilterType(int index, FilterType type);
    bool SetChannel(int index, FilterType type, double freq, double q, double gain);
    bool StoreSettings();

    void StartFirmwareUpdate(const std::string& hexFileName);

    // Handles a port event posted by the serial listener: reads what is waiting and hands
    // every complete line to the firmware transfer. A line that hung up is closed at once.
    void OnSerialEvent(std::uintptr_t event);

    // Ends a transfer the device has stopped asking pages for; called once a second.
    void CheckFirmwareResponse(std::chrono::steady_clock::time_point now);

    bool IsPortOpen() const;

    // Why the last Connect failed, in plain words.
    const std::string& ConnectFailure() const { return connectFailure; }

    // What the file reader said about the file of the last StartFirmwareUpdate that did not
    // start, as it wrote it to the standard error; empty when it said nothing.
    const std::string& FirmwareFileFailure() const { return firmwareFileFailure; }

    // The device's answer to the identification of the last successful Connect.
    const std::string& Identification() const { return identification; }

    // The first query or read since the last call that went unanswered or was answered with
    // something it could not take, in plain words naming the command (and the channel);
    // empty when every one was answered. Taking it clears it.
    std::string TakeFailure();
    bool HasFailure() const { return !failure.empty(); }

    // Live with the device's own front panel holding the volume: its gains are not ours to set.
    bool FrontPanelHasVolume() const { return mode == ControlMode::Live && !frontPanelLocked; }

    bool frontPanelLocked = false;
    bool programming = false;
    // The link changes it only through ChangeMode, so that the owner hears of every change.
    ControlMode mode = ControlMode::Offline;
    std::string versionText;
    std::string progressText;

    std::uint16_t pageIndex = 0;
    std::uint16_t pageCount = 0;

private:
    void ChangeMode(ControlMode next, ModeChange change);
    void Drop();
    void LoseLine();
    void NoteFailure(const std::string& command, const std::string& answer, int index = -1);
    bool IsAcknowledged(const std::string& command);
    std::string ReadWaitingBytes();
    void OnFirmwareLine(const std::string& line);
    void SendPage();
    void WriteBytes(const std::uint8_t* bytes, std::size_t length);

    // What an answer that is present but holds nothing to take does to a channel read.
    enum class ChannelMismatch
    {
        EndsRead,
        KeepsValue,
    };
    template <typename Store>
    bool ReadChannels(std::string_view token, ChannelMismatch mismatch, Store store);
    template <typename Field>
    bool ReadNumbers(std::string_view token, PanelSettings& settings, Field field);

    IMessageWindow* window = nullptr;
    CSerialPanelWnd* port = nullptr;
    // One spare page of erased flash beyond the capacity: a full image makes the transfer
    // send the page after its last one.
    std::vector<std::uint8_t> image;
    CLineCollector receiveText;
    std::chrono::steady_clock::time_point lastPageRequest{};
    std::string connectFailure;
    std::string firmwareFileFailure;
    std::string identification;
    std::string failure;
};
