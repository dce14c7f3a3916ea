#pragma once

#include "controls/masked_bitmap.h"
#include "controls/skinned_slider.h"

// A rotary knob: a body picture, a cap centred on it and a small dot that orbits the centre,
// all drawn with magenta transparent over the owner's background. The dot runs clockwise
// from about seven o'clock at the minimum, through the top, to about five o'clock at the
// maximum. The range starts as 0..1000.
class CBitmapKnob : public CSkinnedSlider
{
    Q_OBJECT

public:
    enum Part
    {
        Body,
        Cap,
        Dot,
        PartCount
    };

    explicit CBitmapKnob(QWidget* parent = nullptr);

    // The body sizes the control (its top-left stays) and fixes the centre; the cap is
    // centred on the body; the dot's orbit keeps three pixels inside the cap's rim.
    void SetBitmap(unsigned int resourceId, int part) override;
    void SetRadius(int r);
    int GetRadius() const { return radius; }

protected:
    void Place(int pos) override;
    QPoint CursorHome() const override { return {capX, capY}; }
    void paintEvent(QPaintEvent* event) override;

private:
    static constexpr int InitialMaxPos = 1000;
    static constexpr int StartAngle = 30;
    static constexpr int EndAngle = 329;
    static constexpr int DotInsideRim = 3;

    void FitBody();
    void CentreCap();
    void SizeOrbit();

    int radius = 0;
    CMaskedBitmap parts[PartCount];
    int dotX = 0;
    int dotY = 0;
    int capX = 0;
    int capY = 0;
    int centreX = 0;
    int centreY = 0;
};
