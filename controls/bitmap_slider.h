#pragma once

#include "controls/masked_bitmap.h"
#include "controls/skinned_slider.h"

// The gain fader: a channel picture with a thumb that slides up and down over it, both
// drawn with magenta transparent over the owner's background. The thumb's travel is divided
// by max + 1 positions, so the maximum sits a fraction of a pixel below the very top and
// only a drag past the top reaches it. While locked (the device's own front panel is in
// charge) the fader ignores mouse, keys and wheel but still follows SetValue.
class CBitmapSlider : public CSkinnedSlider
{
    Q_OBJECT

public:
    enum Part
    {
        Channel,
        Thumb,
        PartCount
    };

    explicit CBitmapSlider(QWidget* parent = nullptr);

    // The channel sizes the control (its top-left stays); the thumb is centred across it.
    void SetBitmap(unsigned int resourceId, int part) override;
    // A lock that interrupts a drag ends it, releasing the mouse and showing the cursor, so
    // that a locked fader cannot keep every mouse event of the panel to itself.
    void SetLocked(bool lock);

protected:
    void Place(int pos) override;
    QPoint CursorHome() const override { return {thumbX, thumbY}; }
    bool IgnoresInput() const override { return locked; }
    void paintEvent(QPaintEvent* event) override;

private:
    static constexpr int InitialMaxPos = 100;

    void FitChannel();
    void CentreThumb();

    bool locked = false;
    CMaskedBitmap parts[PartCount];
    int thumbX = 0;
    int thumbY = 0;
};
