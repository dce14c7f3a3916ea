#pragma once

#include <QRgb>

// The colours that the pictures share, so that opaque buttons, keyed edges and the
// background agree with one another.
namespace SkinColours {

// Pixels of this colour are transparent wherever a control draws a picture.
inline constexpr QRgb Key = qRgb(255, 0, 255);

// The mean of the brushed panel; keyed pictures blend their edges towards it.
inline constexpr QRgb Panel = qRgb(172, 176, 181);
inline constexpr QRgb PanelInk = qRgb(34, 37, 42);
inline constexpr QRgb PanelEngraveLight = qRgb(226, 229, 233);

// The dark anodised band along the top and the recesses of the read-outs.
inline constexpr QRgb Band = qRgb(36, 39, 44);
inline constexpr QRgb BandInk = qRgb(214, 219, 226);
inline constexpr QRgb Recess = qRgb(6, 7, 8);

// The dot-matrix fonts as stored; the read-outs recolour these three.
inline constexpr QRgb FontLit = qRgb(63, 181, 255);
inline constexpr QRgb FontUnlit = qRgb(23, 64, 103);
inline constexpr QRgb FontGap = qRgb(0, 0, 0);

// Lamps: a lit red and a dark glass.
inline constexpr QRgb LampRed = qRgb(236, 42, 28);
inline constexpr QRgb LampRedGlow = qRgb(255, 168, 150);
inline constexpr QRgb LampRedRim = qRgb(122, 14, 8);
inline constexpr QRgb LampGrey = qRgb(112, 119, 128);
inline constexpr QRgb LampGreyGlow = qRgb(196, 202, 210);
inline constexpr QRgb LampGreyRim = qRgb(50, 54, 60);

} // namespace SkinColours
