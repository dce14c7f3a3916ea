#pragma once

#include <cstddef>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "device/device_link.h"
#include "emulator/emulated_device.h"
#include "serial/message_queue.h"
#include "serial/serial_panel_wnd.h"

// A device link on a real pseudo-terminal to the emulated Sonavire, with a queue standing in
// for the window that its port events and state messages go to.
class DeviceLinkFixture : public testing::Test
{
protected:
    void SetUp() override { StartDevice({}); }

    void StartDevice(EmulatorOptions options);
    void ConnectLive();

    // What the device received after the lines a test has already looked at.
    std::vector<std::string> NewLines();

    std::unique_ptr<CEmulatedDevice> device;
    CMessageQueue queue;
    CSerialPanelWnd port;
    CDeviceLink link;
    std::size_t seen = 0;
};
