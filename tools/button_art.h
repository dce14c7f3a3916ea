#pragma once

#include <QImage>
#include <QString>

// The small lamp buttons of the strips. Both are copied opaque, so each is a complete
// little bezel rather than a shape on the panel.
class ButtonArt
{
public:
    // A filter-type key: a lamp left of the caption, red when lit. These pictures are
    // stored with a colour table, so they are drawn without antialiasing from few colours.
    static QImage FilterButton(const QString& caption, bool lit, int width, int height, int scale);

    // A lock-to-master key: a round lamp in a dark bezel, red when locked.
    static QImage LockButton(bool lit, int width, int height, int scale);
};
