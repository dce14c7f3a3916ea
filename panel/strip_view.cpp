#include "panel/strip_view.h"

#include "model/value_labels.h"
#include "panel/button_pictures.h"
#include "resources/bitmap_ids.h"

namespace {

// A lit key shows its lit picture up and the unlit one pressed, an unlit key the other way
// round.
ButtonPictures Key(const BitmapId::LampPictures& pictures, bool lit)
{
    return lit ? ButtonPictures{pictures.lit, pictures.unlit}
               : ButtonPictures{pictures.unlit, pictures.lit};
}

} // namespace

CStripView::CStripView(const StripControls& stripControls) : controls(stripControls) {}

void CStripView::Show(const StripSettings& values)
{
    controls.qKnob->SetValue(values.q);
    controls.freqKnob->SetValue(values.freq);
    ShowReadout(StripValue::Frequency, values.freq);
    ShowGain(values.gain);
    if (controls.gainLock) {
        ShowFilter(values.filter);
        ShowLocks(values);
    }
}

void CStripView::ShowGain(double gain)
{
    controls.gainFader->SetValue(gain);
    ShowReadout(StripValue::Gain, gain);
}

void CStripView::ShowLocks(const StripSettings& values)
{
    const std::array<bool, 3> locks = {values.gainLock, values.freqLock, values.qLock};
    CKVNBitmapButton* const buttons[] = {controls.gainLock, controls.freqLock, controls.qLock};
    for (std::size_t i = 0; i < locks.size(); ++i) {
        if (shownLocks && (*shownLocks)[i] == locks[i])
            continue;
        LoadPictures(*buttons[i], Key(BitmapId::LockKey, locks[i]));
        buttons[i]->repaint();
    }
    shownLocks = locks;
}

void CStripView::ShowFilter(FilterType filter)
{
    if (shownFilter == filter)
        return;
    for (int type = 0; type < FilterTypeCount; ++type)
        LoadPictures(*controls.filterKeys[type],
                     Key(BitmapId::FilterKeys[type], type == static_cast<int>(filter)));
    for (CKVNBitmapButton* key : controls.filterKeys)
        key->repaint();
    shownFilter = filter;
}

double CStripView::TakeValue(StripValue which)
{
    const double value = Control(which).GetValue();
    ShowReadout(which, value);
    return value;
}

double CStripView::FollowMaster(StripValue which, const CStripView& master)
{
    CSkinnedSlider& follower = Control(which);
    if (follower.MoveTo(master.Control(which).value()))
        follower.repaint();
    return TakeValue(which);
}

CSkinnedSlider& CStripView::Control(StripValue which) const
{
    switch (which) {
    case StripValue::Frequency:
        return *controls.freqKnob;
    case StripValue::Q:
        return *controls.qKnob;
    case StripValue::Gain:
        break;
    }
    return *controls.gainFader;
}

void CStripView::ShowReadout(StripValue which, double value)
{
    if (which == StripValue::Frequency)
        controls.freqLabel->SetText(FormatFrequencyLabel(value));
    else if (which == StripValue::Gain)
        controls.gainLabel->SetText(FormatGainLabel(value));
}
