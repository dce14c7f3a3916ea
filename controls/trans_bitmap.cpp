#include "controls/trans_bitmap.h"

CTransBitmap::CTransBitmap(QWidget* parent) : QWidget(parent) {}

void CTransBitmap::SetBitmap(unsigned int resourceId)
{
    picture.Load(resourceId);
    int width = 0;
    int height = 0;
    if (picture.GetSize(width, height))
        resize(width, height);
    repaint();
}

void CTransBitmap::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    picture.DrawTransparent(painter, 0, 0, CMaskedBitmap::Magenta);
}
