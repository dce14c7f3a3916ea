#include "test_panel.h"

#include <QTest>

TestPanel::TestPanel()
{
    QPalette colours = palette();
    colours.setColor(QPalette::Window, PanelColour);
    setPalette(colours);
    setAutoFillBackground(true);
    setGeometry(100, 100, 320, 200);
}

void TestPanel::Show()
{
    show();
    [[maybe_unused]] const bool exposed = QTest::qWaitForWindowExposed(this);
}

QImage Grab(QWidget& widget)
{
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QRect BoundsOf(const QImage& image, QRgb colour)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) == colour)
                bounds |= QRect(x, y, 1, 1);
        }
    }
    return bounds;
}
