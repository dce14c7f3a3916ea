#pragma once

#include <QImage>
#include <QRgb>

// Loading the compiled-in skin and judging its pixels.

inline constexpr QRgb Magenta = qRgb(255, 0, 255);

// The compiled-in picture of a resource number, as the panel loads it.
QImage ResourceBitmap(int number);

bool IsMagenta(QRgb pixel);

// Dark enough to pass for the black of a read-out's background.
bool IsDark(QRgb pixel);

// A lamp's or a lit button's red.
bool IsRed(QRgb pixel);
