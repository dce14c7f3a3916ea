#pragma once

#include <QWidget>

#include "controls/masked_bitmap.h"

// A picture control whose magenta pixels let the owner's painting show through (the
// panel's lamp). It takes the size of its picture.
class CTransBitmap : public QWidget
{
    Q_OBJECT

public:
    explicit CTransBitmap(QWidget* parent = nullptr);

    // A picture that cannot be read leaves the control empty at its present size.
    void SetBitmap(unsigned int resourceId);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CMaskedBitmap picture;
};
