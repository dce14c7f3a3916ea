#include "panel/status_line.h"

#include "device/device_link.h"

std::optional<std::string> CStatusLine::Show(std::string text, int hold)
{
    statusHold = hold;
    text.resize(Width, ' ');
    if (text == lastStatusText)
        return std::nullopt;
    lastStatusText = text;
    return text;
}

std::optional<std::string> CStatusLine::Tick(const CDeviceLink& link, bool unsaved)
{
    if (statusHold == UntilReplaced)
        return std::nullopt;
    if (statusHold > 0) {
        --statusHold;
        return std::nullopt;
    }
    AdvanceRotation();
    if (statusPhase != 0 && link.mode == ControlMode::Live) {
        if (statusPhase == 1) {
            if (link.versionText.empty())
                return std::nullopt;
            return link.versionText;
        }
        return FrontPanelText(link.frontPanelLocked);
    }
    if (unsaved && statusCountdown < 3)
        return UnsavedText;
    return ModeText(link.mode);
}

void CStatusLine::AdvanceRotation()
{
    if (statusCountdown == 0) {
        statusPhase = (statusPhase + 1) % 3;
        statusCountdown = 5;
    } else {
        --statusCountdown;
    }
}

const char* CStatusLine::ModeText(ControlMode mode)
{
    switch (mode) {
    case ControlMode::Live:
        return "Connected; Live Mode";
    case ControlMode::FirmwareUpdate:
        return "Connected; Firmware Update Mode - Waiting for Update";
    case ControlMode::Offline:
        break;
    }
    return "Disconnected; Offline Mode";
}

const char* CStatusLine::FrontPanelText(bool frontPanelLocked)
{
    return frontPanelLocked ? "Front Panel Volume Controls Locked - Sliders Active"
                            : "Front Panel Volume Controls Active - Sliders Disabled";
}
