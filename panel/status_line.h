#pragma once

#include <optional>
#include <string>

#include "device/control_mode.h"

class CDeviceLink;

// The timing of the one-line status display: how long a text stays, and the rotation of
// mode, version and front-panel texts that takes over when nothing is held. It decides what
// the line shows; the window puts it on the display.
class CStatusLine
{
public:
    static constexpr int Width = 59;
    static constexpr int UntilReplaced = -1;

    // Sets the hold and returns the text cut or filled to Width, or nothing when the line
    // already shows exactly that text.
    std::optional<std::string> Show(std::string text, int hold);

    // One timer tick: counts the hold down or advances the rotation, and returns the text the
    // rotation puts on the line with hold 0, if any. While unsaved, the mode's turn shares its
    // time with UnsavedText.
    std::optional<std::string> Tick(const CDeviceLink& link, bool unsaved = false);

    static constexpr const char* UnsavedText = "Unsaved Changes";

    static const char* ModeText(ControlMode mode);
    static const char* FrontPanelText(bool frontPanelLocked);

    const std::string& Text() const { return lastStatusText; }
    int Hold() const { return statusHold; }

private:
    void AdvanceRotation();

    int statusHold = 0;
    int statusCountdown = 0;
    int statusPhase = 0;
    std::string lastStatusText;
};
