// OSC packets from any client, through the remote control as its owner's loop runs it: against
// an offline link, with a host that keeps offline edits and one that refuses them, and against a
// link live to the emulated device, with the device's front panel locked and active. Whatever a
// packet holds, every strip keeps a value its controls can show, a live device ends up holding
// what the strips show, and a message the decoder reads encodes back to itself.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "device/device_link.h"
#include "emulator/emulated_device.h"
#include "fuzz/require.h"
#include "model/value_scale.h"
#include "remote/remote_control.h"
#include "serial/serial_panel_wnd.h"

namespace {

constexpr int ClientPort = 9000;
// The link sends three decimals; the device holds the value they spell.
constexpr double WireRounding = 0.0005 + 1e-9;

bool HoldsAsSent(const StripSettings& device, const StripSettings& shown)
{
    return std::abs(device.freq - shown.freq) <= WireRounding &&
           std::abs(device.q - shown.q) <= WireRounding &&
           std::abs(device.gain - shown.gain) <= WireRounding && device.filter == shown.filter;
}

bool ChannelsHold(const PanelSettings& device, const PanelSettings& shown)
{
    return std::equal(device.begin(), device.begin() + ChannelCount, shown.begin(), HoldsAsSent);
}

// The panel's own retrieve and store, reduced to what they rely on: by the time either runs, the
// remote control has sent everything a client set, so the device holds what the strips show and
// stores exactly that.
class CFuzzHost : public IRemoteHost
{
public:
    CFuzzHost(CDeviceLink& link, const PanelSettings& shown, const CEmulatedDevice* device,
              bool keepsOfflineEdits)
        : link(link), shown(shown), device(device), keepsOfflineEdits(keepsOfflineEdits)
    {}

    void ShowRemoteChange(int strip) override
    {
        Require(strip >= 0 && strip < StripCount, "a remote change names a strip");
    }
    std::string RetrieveForRemote() override
    {
        if (!IsLive())
            return NotConnected;
        Require(ChannelsHold(device->Settings(), shown),
                "a retrieve reads back what a client set before it");
        return {};
    }
    std::string StoreForRemote() override
    {
        if (!IsLive())
            return NotConnected;
        Require(link.StoreSettings(), "the device acknowledges a store");
        Require(ChannelsHold(device->StoredSettings(), shown),
                "a client's store keeps what the channel strips show");
        return {};
    }
    bool KeepsOfflineEdits() const override { return keepsOfflineEdits; }
    void LogRemote(const std::string&) override {}

private:
    static constexpr const char* NotConnected = "Sonavire is not connected";

    bool IsLive() const { return device && link.mode == ControlMode::Live; }

    CDeviceLink& link;
    const PanelSettings& shown;
    const CEmulatedDevice* device;
    bool keepsOfflineEdits;
};

struct LiveDevice
{
    CEmulatedDevice device{EmulatorOptions{}};
    CSerialPanelWnd port;
    CDeviceLink link;
};

LiveDevice& TheLiveDevice()
{
    static LiveDevice* const live = [] {
        auto* made = new LiveDevice;
        std::string error;
        Require(made->device.Start(error), "the emulated device starts");
        made->link.Attach(nullptr, &made->port);
        Require(made->link.Connect(made->device.PortPath()), "the link connects");
        made->link.QueryMode();
        Require(made->link.mode == ControlMode::Live, "the link goes live");
        return made;
    }();
    return *live;
}

const OscEndpoint& Client()
{
    static const OscEndpoint client = [] {
        std::string error;
        const auto endpoint = ParseOscEndpoint("127.0.0.1", ClientPort, error);
        Require(endpoint.has_value(), "the client address parses");
        return *endpoint;
    }();
    return client;
}

bool IsShowable(const StripSettings& strip)
{
    const auto fits = [](double value, const ValueScale& scale) {
        return std::isfinite(value) && value >= scale.valueAtMin && value <= scale.valueAtMax;
    };
    return fits(strip.freq, FrequencyScale) && fits(strip.q, QScale) &&
           fits(strip.gain, GainScale) && IsFilterType(static_cast<int>(strip.filter));
}

void RequireShowable(const PanelSettings& settings)
{
    Require(std::all_of(settings.begin(), settings.end(), IsShowable),
            "every strip value is finite, within its scale, and its filter a type");
}

bool HoldsDefaultValues(const StripSettings& strip)
{
    StripSettings values = strip;
    values.freqLock = values.qLock = values.gainLock = false;
    return values == StripSettings{};
}

// The owner's loop after a datagram: every pending value goes out before the next one.
void Serve(CRemoteControl& engine, const std::uint8_t* data, std::size_t size)
{
    engine.HandleDatagram(data, size, Client());
    while (engine.HasPendingSends())
        engine.SendNext();
    engine.Publish();
}

void RunOffline(const std::uint8_t* data, std::size_t size, bool keepsOfflineEdits)
{
    CDeviceLink link;
    PanelSettings settings{};
    CFuzzHost host(link, settings, nullptr, keepsOfflineEdits);
    CRemoteControl engine(link, settings, host);
    Serve(engine, data, size);
    RequireShowable(settings);
    if (!keepsOfflineEdits)
        Require(std::all_of(settings.begin(), settings.end(), HoldsDefaultValues),
                "a host without offline edits lets only the locks change");
}

void RunLive(const std::uint8_t* data, std::size_t size, bool frontPanelActive)
{
    LiveDevice& live = TheLiveDevice();
    for (int channel = 0; channel < ChannelCount; ++channel)
        live.device.SetChannelSettings(channel, StripSettings{});
    live.device.SetFrontPanelActive(frontPanelActive);
    live.link.QueryFrontPanel();
    Require(live.link.frontPanelLocked == !frontPanelActive, "the link reads the front panel");

    PanelSettings settings{};
    CFuzzHost host(live.link, settings, &live.device, false);
    CRemoteControl engine(live.link, settings, host);
    Serve(engine, data, size);
    Require(live.link.mode == ControlMode::Live, "the link stays live");
    RequireShowable(settings);
    Require(ChannelsHold(live.device.Settings(), settings),
            "the device holds what the channel strips show");
}

bool IsEncodable(const OscMessage& message)
{
    return std::all_of(
        message.arguments.begin(), message.arguments.end(), [](const OscArgument& argument) {
            return argument.type == 'i' || argument.type == 'f' || argument.type == 's';
        });
}

bool SameArgument(const OscArgument& one, const OscArgument& other)
{
    const bool bothNaN = std::isnan(one.number) && std::isnan(other.number);
    return one.type == other.type && one.text == other.text &&
           (one.number == other.number || bothNaN);
}

void RequireRoundTrip(const OscMessage& message)
{
    if (!IsEncodable(message))
        return;
    const auto wire = EncodeOscMessage(message);
    Require(!wire.empty(), "a decoded message of numbers and strings encodes");
    const auto back = DecodeOscPacket(wire.data(), wire.size());
    Require(back.size() == 1 && back[0].path == message.path &&
                std::equal(back[0].arguments.begin(), back[0].arguments.end(),
                           message.arguments.begin(), message.arguments.end(), SameArgument),
            "a decoded message encodes back to itself");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    for (const OscMessage& message : DecodeOscPacket(data, size))
        RequireRoundTrip(message);
    RunOffline(data, size, true);
    RunOffline(data, size, false);
    RunLive(data, size, false);
    RunLive(data, size, true);
    return 0;
}
