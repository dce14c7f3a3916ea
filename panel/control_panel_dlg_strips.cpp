// The panel's strip editing: knobs, faders, locks and filter keys, and what each sends.
#include "panel/control_panel_dlg.h"

#include "panel/control_layout.h"
#include "resources/bitmap_ids.h"

namespace {

// How one value of a strip is kept, locked and sent.
struct StripValueRule
{
    double StripSettings::*value;
    bool StripSettings::*lock;
    bool (CDeviceLink::*send)(int index, double value);
    // A fader is ridden: the device follows the gain on every move. A knob's frequency or Q
    // goes out once, when the knob is let go, with these texts.
    bool sentOnEveryMove;
    const char* sending;
    const char* complete;
    const char* failed;
};

const StripValueRule& Rule(StripValue which)
{
    static constexpr StripValueRule Frequency{&StripSettings::freq,
                                              &StripSettings::freqLock,
                                              &CDeviceLink::SetFrequency,
                                              false,
                                              "Sending Frequency value to Sonavire...",
                                              "Frequency Setting Complete",
                                              "Frequency Setting Failed"};
    static constexpr StripValueRule Q{&StripSettings::q,
                                      &StripSettings::qLock,
                                      &CDeviceLink::SetQ,
                                      false,
                                      "Sending Filter Q value to Sonavire...",
                                      "Filter Q Setting Complete",
                                      "Filter Q Setting Failed"};
    static constexpr StripValueRule Gain{
        &StripSettings::gain, &StripSettings::gainLock, &CDeviceLink::SetGain, true, "", "", ""};
    switch (which) {
    case StripValue::Frequency:
        return Frequency;
    case StripValue::Q:
        return Q;
    case StripValue::Gain:
        break;
    }
    return Gain;
}

} // namespace

// The master moves every channel locked to it, in channel order, before its own value is
// taken; it never sends its own value.
void CControlPanelDlg::OnStripValueMoved(int strip, StripValue which)
{
    const StripValueRule& rule = Rule(which);
    const auto sendIfLive = [&](int channel) {
        if (rule.sentOnEveryMove && link.mode == ControlMode::Live)
            (link.*rule.send)(channel, settings[channel].*rule.value);
    };
    if (strip == MasterStrip) {
        for (int channel = 0; channel < ChannelCount; ++channel) {
            if (!(settings[channel].*rule.lock))
                continue;
            settings[channel].*rule.value =
                strips[channel].FollowMaster(which, strips[MasterStrip]);
            sendIfLive(channel);
        }
    }
    settings[strip].*rule.value = strips[strip].TakeValue(which);
    if (strip != MasterStrip)
        sendIfLive(strip);
    AnnounceSettings();
}

// A channel's knob sends its own value; the master's sends the value of every channel locked
// to it and never its own.
void CControlPanelDlg::OnKnobReleased(int strip, StripValue which)
{
    OnFaderReleased(strip, which);
    const StripValueRule& rule = Rule(which);
    if (link.mode == ControlMode::Live)
        ShowStatus(rule.sending, CStatusLine::UntilReplaced);
    // Showing the text lets waiting events run; the link may have dropped meanwhile.
    if (link.mode != ControlMode::Live)
        return;
    bool acknowledged = true;
    for (int channel = 0; channel < ChannelCount; ++channel) {
        const StripSettings& values = settings[channel];
        const bool sent = strip == MasterStrip ? values.*rule.lock : channel == strip;
        if (sent)
            acknowledged = (link.*rule.send)(channel, values.*rule.value) && acknowledged;
    }
    if (acknowledged)
        ShowStatus(rule.complete, 2);
    else
        ShowStatus(rule.failed, 4);
}

void CControlPanelDlg::OnFilterButton(const ControlEntry& entry)
{
    const int channel = entry.strip;
    settings[channel].filter = static_cast<FilterType>(entry.filterType);
    strips[channel].ShowFilter(settings[channel].filter);
    CommitEdit(QStringLiteral("Channel %1 Filter").arg(ChannelNumber(channel)));
    AnnounceSettings();
    if (link.mode != ControlMode::Live)
        return;
    ShowStatus("Setting Filter on Sonavire....", CStatusLine::UntilReplaced);
    if (link.SetFilterType(channel, settings[channel].filter))
        ShowStatus("Filter Setting Complete", 2);
    else
        ShowStatus("Filter Setting Failed", 4);
}

void CControlPanelDlg::OnLockButton(const ControlEntry& entry)
{
    StripSettings& strip = settings[entry.strip];
    bool& lock = entry.role == ControlRole::FrequencyLock ? strip.freqLock
                 : entry.role == ControlRole::QLock       ? strip.qLock
                                                          : strip.gainLock;
    lock = !lock;
    strips[entry.strip].ShowLocks(strip);
    CommitEdit(QStringLiteral("Channel %1 Lock").arg(ChannelNumber(entry.strip)));
    AnnounceSettings();
}

void CControlPanelDlg::ShowAllStrips()
{
    for (int strip = 0; strip < StripCount; ++strip)
        strips[strip].Show(settings[strip]);
    SetFaderLocks(link.frontPanelLocked);
}

void CControlPanelDlg::ShowGains()
{
    for (int strip = 0; strip < StripCount; ++strip)
        strips[strip].ShowGain(settings[strip].gain);
    SetFaderLocks(link.frontPanelLocked);
}

// While the device's front panel has the volume, the panel's faders only show it.
void CControlPanelDlg::SetFaderLocks(bool frontPanelLocked)
{
    for (CBitmapSlider& fader : gainFaders)
        fader.SetLocked(!frontPanelLocked);
    frontPanelLamp.SetBitmap(frontPanelLocked ? BitmapId::LampOff : BitmapId::LampOn);
    // Every read, poll, load and change of mode ends here.
    AnnounceSettings();
}

// Every change of the settings, whoever made it, ends here: remote subscribers hear of it and
// the response window redraws.
void CControlPanelDlg::AnnounceSettings()
{
    remote.Publish();
    responseView.Follow(settings);
}
