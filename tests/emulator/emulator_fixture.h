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
        device_ = std::make_unique<CEmulatedDevice>(options);
        std::string error;
        ASSERT_TRUE(device_->Start(error)) << error;
        client_ = std::make_unique<CPtyClient>(device_->PortPath());
        ASSERT_TRUE(client_->IsOpen()) << device_->PortPath();
    }

    CEmulatedDevice& Device() { return *device_; }
    CPtyClient& Client() { return *client_; }

    // Waits until the device has taken in count command lines in all.
    bool ReceivedLines(std::size_t count)
    {
        return WaitUntil([&] { return device_->ReceivedLineCount() >= count; });
    }

private:
    std::unique_ptr<CEmulatedDevice> device_;
    std::unique_ptr<CPtyClient> client_;
};
