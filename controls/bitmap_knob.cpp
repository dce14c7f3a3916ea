#include "controls/bitmap_knob.h"

#include <cmath>

namespace {

// The dot positions of the panel's knobs were worked out with exactly this conversion.
constexpr double RadiansPerDegree = 0.017453292519943278;

} // namespace

CBitmapKnob::CBitmapKnob(QWidget* parent) : CSkinnedSlider(InitialMaxPos, parent) {}

void CBitmapKnob::SetBitmap(unsigned int resourceId, int part)
{
    if (part < 0 || part >= PartCount)
        return;
    parts[part].Load(resourceId);
    if (!parts[part].Size().isEmpty()) {
        if (part == Body)
            FitBody();
        else if (part == Cap)
            CentreCap();
        else
            SizeOrbit();
    }
    repaint();
}

void CBitmapKnob::SetRadius(int r)
{
    radius = r;
    MoveBy(0);
    repaint();
}

void CBitmapKnob::FitBody()
{
    const QSize body = parts[Body].Size();
    resize(body);
    centreX = body.width() / 2;
    centreY = body.height() / 2;
}

void CBitmapKnob::CentreCap()
{
    const QSize body = parts[Body].Size();
    const QSize cap = parts[Cap].Size();
    if (body.isEmpty())
        return;
    capX = (body.width() - cap.width()) / 2;
    capY = (body.height() - cap.height()) / 2;
    radius = cap.width() / 2;
}

void CBitmapKnob::SizeOrbit()
{
    const QSize cap = parts[Cap].Size();
    const QSize dot = parts[Dot].Size();
    if (cap.isEmpty())
        return;
    radius = cap.width() / 2 - dot.width() / 2 - DotInsideRim;
    MoveBy(0);
}

void CBitmapKnob::Place(int pos)
{
    const QSize dot = parts[Dot].Size();
    if (dot.isEmpty())
        return;
    // Screen y grows downward, so sine and cosine of (360 - angle) turn the dot clockwise.
    const double angle = StartAngle + (EndAngle - StartAngle) * Fraction(pos);
    const double theta = (360 - angle) * RadiansPerDegree;
    dotX = static_cast<int>(radius * std::sin(theta) + (centreX - dot.width() / 2));
    dotY = static_cast<int>(radius * std::cos(theta) + (centreY - dot.height() / 2));
}

void CBitmapKnob::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    parts[Body].DrawTransparent(painter, 0, 0, CMaskedBitmap::Magenta);
    parts[Cap].DrawTransparent(painter, capX, capY, CMaskedBitmap::Magenta);
    parts[Dot].DrawTransparent(painter, dotX, dotY, CMaskedBitmap::Magenta);
}
