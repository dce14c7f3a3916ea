#pragma once

#include <string_view>

// The link's view of the device.
enum class ControlMode : int
{
    Offline = 0,
    Live = 1,
    FirmwareUpdate = 2,
};

// The mode in the words the command-line tool and the remote control report it.
constexpr std::string_view ControlModeName(ControlMode mode)
{
    switch (mode) {
    case ControlMode::Live:
        return "live";
    case ControlMode::FirmwareUpdate:
        return "firmware update";
    case ControlMode::Offline:
        break;
    }
    return "offline";
}
