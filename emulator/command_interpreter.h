#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "model/strip_settings.h"

// The answer the device gives to a command it will not or cannot carry out.
inline constexpr std::string_view RefusedAnswer = "E";

// What the device does about one command line.
struct CommandOutcome
{
    std::optional<std::string> answer; // without its carriage return; none for "UF"
    bool startsTransfer = false;       // the bootloader takes over the line
};

// The device's settings and switches, and its answers to the command language. Channel
// commands are served only in normal mode; the bootloader knows "?V", "?M" and "UF" alone.
class CCommandInterpreter
{
public:
    explicit CCommandInterpreter(std::string stateFile);

    // Reads the stored settings into the current ones. A missing file is not an error: the
    // device then starts from the defaults.
    bool LoadState(std::string& error);

    CommandOutcome Handle(std::string_view line);

    void SetUpdateMode(bool on) { updateMode = on; }
    bool UpdateMode() const { return updateMode; }
    void SetFrontPanelActive(bool active) { frontPanelActive = active; }
    bool FrontPanelActive() const { return frontPanelActive; }

    // The device's own volume knob; it does nothing while the front panel is locked.
    bool SetFrontPanelVolume(int index, double gain);
    bool SetChannelSettings(int index, const StripSettings& strip);

    const PanelSettings& Settings() const { return settings; }
    const PanelSettings& StoredSettings() const { return stored; }

private:
    enum class Served
    {
        Always,
        InNormalMode,
        InUpdateMode,
    };
    using FixedHandler = CommandOutcome (CCommandInterpreter::*)();
    struct FixedCommand
    {
        std::string_view text;
        Served served;
        FixedHandler handler;
    };
    static const std::array<FixedCommand, 6> FixedCommands;

    bool IsServed(Served served) const;
    CommandOutcome Version();
    CommandOutcome Mode();
    CommandOutcome FrontPanel();
    CommandOutcome GainList();
    CommandOutcome Store();
    CommandOutcome StartTransfer();
    CommandOutcome ChannelCommand(std::string_view line);

    std::string stateFile;
    PanelSettings settings{};
    PanelSettings stored{};
    bool updateMode = false;
    bool frontPanelActive = false;
};
