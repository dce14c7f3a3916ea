#pragma once

#include <QImage>

// The application's icon: a silver knob with its scale on a dark anodised tile. Drawn as
// vectors, so the window icon and the desktop icon come from one drawing at any size.
class IconArt
{
public:
    // The icon with a transparent surround.
    static QImage Draw(int size);
};
