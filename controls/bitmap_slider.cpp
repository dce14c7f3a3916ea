#include "controls/bitmap_slider.h"

CBitmapSlider::CBitmapSlider(QWidget* parent) : CSkinnedSlider(InitialMaxPos, parent)
{
    setOrientation(Qt::Vertical);
}

void CBitmapSlider::SetBitmap(unsigned int resourceId, int part)
{
    if (part < 0 || part >= PartCount)
        return;
    parts[part].Load(resourceId);
    if (!parts[part].Size().isEmpty()) {
        if (part == Channel)
            FitChannel();
        else
            CentreThumb();
    }
    repaint();
}

void CBitmapSlider::SetLocked(bool lock)
{
    if (lock == locked)
        return;
    locked = lock;
    EndDrag();
}

void CBitmapSlider::FitChannel()
{
    resize(parts[Channel].Size());
}

void CBitmapSlider::CentreThumb()
{
    const QSize channel = parts[Channel].Size();
    const QSize thumb = parts[Thumb].Size();
    if (channel.isEmpty())
        return;
    thumbX = (channel.width() - thumb.width()) / 2;
    thumbY = (channel.height() - thumb.height()) / 2;
    MoveBy(0);
}

void CBitmapSlider::Place(int pos)
{
    const QSize channel = parts[Channel].Size();
    const QSize thumb = parts[Thumb].Size();
    if (channel.isEmpty() || thumb.isEmpty())
        return;
    const int travel = channel.height() - thumb.height();
    thumbY = static_cast<int>(travel - (static_cast<double>(pos) / (maximum() + 1)) * travel);
}

void CBitmapSlider::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    parts[Channel].DrawTransparent(painter, 0, 0, CMaskedBitmap::Magenta);
    parts[Thumb].DrawTransparent(painter, thumbX, thumbY, CMaskedBitmap::Magenta);
}
