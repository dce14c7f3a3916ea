#include "tests/device/device_link_fixture.h"

void DeviceLinkFixture::StartDevice(EmulatorOptions options)
{
    device = std::make_unique<CEmulatedDevice>(std::move(options));
    std::string error;
    ASSERT_TRUE(device->Start(error)) << error;
    link.Attach(&queue, &port);
}

void DeviceLinkFixture::ConnectLive()
{
    ASSERT_TRUE(link.Connect(device->PortPath()));
    ASSERT_TRUE(link.QueryMode());
    ASSERT_EQ(link.mode, ControlMode::Live);
}

std::vector<std::string> DeviceLinkFixture::NewLines()
{
    const auto lines = device->ReceivedLines();
    std::vector<std::string> fresh(lines.begin() + static_cast<long>(seen), lines.end());
    seen = lines.size();
    return fresh;
}
