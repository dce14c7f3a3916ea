#pragma once

#include <QImage>

class QPainter;

// The window's face: brushed aluminium under a dark title band, with the column tabs, the
// section captions, the recessed slots of the read-outs and the status bar. Everything
// that must line up with a control is placed from the window's layout table.
class BackgroundArt
{
public:
    static QImage Draw(int width, int height, int scale);

private:
    static void DrawTitleBand(QPainter& painter, int width);
    static void DrawLogo(QPainter& painter);
    static void DrawColumnTabs(QPainter& painter);
    static void DrawSectionCaptions(QPainter& painter, int width);
    static void DrawMasterDivider(QPainter& painter);
    static void DrawLampCaption(QPainter& painter);
    static void DrawStatusBar(QPainter& painter);
    static void DrawReadoutSlots(QPainter& painter);
    static void DrawScrews(QPainter& painter, int width);
    static void DrawFrame(QPainter& painter, int width, int height);
};
