#pragma once

#include <gtest/gtest.h>
#include <memory>
#include <string>

#include "emulator/emulated_device.h"
#include "pty_client.h"

// A started emulated device with the test's end of its line open.
class EmulatorFixture : public testing::Test
{
protected:
    void Start(const EmulatorOptions& options = {})
    {
        device = std::make_unique<CEmulatedDevice>(options);
        std::string error;
        ASSERT_TRUE(device->Start(error)) << error;
        client = std::make_unique<CPtyClient>(device->PortPath());
        ASSERT_TRUE(client->IsOpen()) << device->PortPath();
    }

    CEmulatedDevice& Device() { return *device; }
    CPtyClient& Client() { return *client; }

    // Waits until the device has taken in count command lines in all.
    bool ReceivedLines(std::size_t count)
    {
        return WaitUntil([&] { return device->ReceivedLineCount() >= count; });
    }

private:
    std::unique_ptr<CEmulatedDevice> device;
    std::unique_ptr<CPtyClient> client;
};
