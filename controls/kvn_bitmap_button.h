#pragma once

#include <QAbstractButton>

#include "controls/masked_bitmap.h"

// A push button drawn entirely from up to four pictures, chosen by state: down while pressed,
// else focus while it has the keyboard focus, else disabled while disabled, each only when
// loaded; otherwise up. It has no toggle state: the owner shows a lit button by loading the
// lit picture as up and the unlit one as down, and the other way round for an unlit one.
// Clicks reach the owner through QAbstractButton's clicked signal.
class CKVNBitmapButton : public QAbstractButton
{
    Q_OBJECT

public:
    explicit CKVNBitmapButton(QWidget* parent = nullptr);

    // Resource numbers, 0 for none (up is required). The button takes the up picture's size
    // with its top-left kept. False when up is missing (the button then draws nothing) or
    // when any other requested picture is missing; the others are still loaded. Does not
    // repaint: a caller that changes a visible button's pictures repaints it.
    bool LoadBitmaps(unsigned int up, unsigned int down = 0, unsigned int focus = 0,
                     unsigned int disabled = 0);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    enum Picture
    {
        Up,
        Down,
        Focus,
        Disabled,
        PictureCount
    };

    CMaskedBitmap& Shown();

    CMaskedBitmap pictures[PictureCount];
};
