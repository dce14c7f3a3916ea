#pragma once

#include <array>
#include <optional>

#include "controls/bitmap_font_static.h"
#include "controls/bitmap_knob.h"
#include "controls/bitmap_slider.h"
#include "controls/kvn_bitmap_button.h"
#include "model/strip_settings.h"

// The three values a strip edits with a knob or a fader.
enum class StripValue
{
    Frequency,
    Q,
    Gain,
};

// The window's controls of one strip. The master has no lock or filter buttons.
struct StripControls
{
    CBitmapKnob* freqKnob = nullptr;
    CBitmapFontStatic* freqLabel = nullptr;
    CBitmapKnob* qKnob = nullptr;
    CBitmapSlider* gainFader = nullptr;
    CBitmapFontStatic* gainLabel = nullptr;
    CKVNBitmapButton* freqLock = nullptr;
    CKVNBitmapButton* qLock = nullptr;
    CKVNBitmapButton* gainLock = nullptr;
    std::array<CKVNBitmapButton*, FilterTypeCount> filterKeys{};
};

// One strip of the panel as a unit: the one way its controls show a StripSettings and follow
// the master. The controls stay the window's; the view only points at them.
class CStripView
{
public:
    CStripView() = default;
    explicit CStripView(const StripControls& controls);

    // Every control of the strip, the read-outs included; buttons whose look is unchanged are
    // left alone.
    void Show(const StripSettings& values);
    void ShowGain(double gain);
    void ShowLocks(const StripSettings& values);
    void ShowFilter(FilterType filter);

    // The value the control of `which` now holds, with its read-out brought in line.
    double TakeValue(StripValue which);

    // A locked control takes the master's position, not its value: the value of most Q and
    // gain positions is inexact in binary and truncates to the position below on the way
    // back, which would leave the channel one step under the master on the display and on
    // the device. Returns the value the control now holds.
    double FollowMaster(StripValue which, const CStripView& master);

private:
    CSkinnedSlider& Control(StripValue which) const;
    void ShowReadout(StripValue which, double value);

    StripControls controls;
    std::optional<FilterType> shownFilter;
    std::optional<std::array<bool, 3>> shownLocks;
};
