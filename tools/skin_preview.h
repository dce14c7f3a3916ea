#pragma once

#include "panel/control_layout.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

class QPainter;

// The background with every control's picture pasted where the window places it, and
// sample texts in the read-outs: the way to judge the art and its alignment without
// running the panel.
class SkinPreview
{
public:
    static QImage Compose();

private:
    static void PasteControl(QPainter& painter, const ControlEntry& entry);
    static void Paste(QPainter& painter, unsigned int number, QPoint at);
    static void PasteKnob(QPainter& painter, QPoint at, double share);
    static void DrawReadout(QPainter& painter, QRect cells, const QString& text, int columns);
};
