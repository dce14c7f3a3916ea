#pragma once

// The link's view of the device.
enum class ControlMode : int
{
    Offline = 0,
    Live = 1,
    FirmwareUpdate = 2,
};
