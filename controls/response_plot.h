#pragma once

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>
#include <QSize>

#include <array>
#include <optional>
#include <string>

#include "model/strip_settings.h"

// What a picture of the filters shows.
struct ResponseScene
{
    PanelSettings settings;
    // Another set of settings (a file being compared), drawn dashed; none when absent.
    std::optional<PanelSettings> compared;
    // The channel drawn bold, the others faint; -1 draws every channel alike.
    int highlighted = -1;
};

// Draws the nominal responses of the sixteen channels on a logarithmic frequency axis from
// 20 Hz to 20 kHz and a level axis from -36 to +6 dB, for the response window and for saved
// pictures alike. Each curve is one path, so a saved SVG holds one path per channel. The
// curves are computed once per settings and size and kept. A picture is the backdrop (the grid,
// the words, every curve but the highlighted one) under the highlighted curve, so that a window
// can keep the backdrop while one channel is being dragged and draw only that channel anew.
class CResponsePlot
{
public:
    static constexpr double LowestDb = -36.0;
    static constexpr double HighestDb = 6.0;
    // The size a picture is saved at.
    static constexpr QSize PictureSize{960, 600};

    static QColor ChannelColour(int channel);
    // Where the grid lies within a picture filling area.
    static QRectF GraphArea(const QRectF& area);
    static double XOf(double frequency, const QRectF& graph);
    static double FrequencyAtX(double x, const QRectF& graph);
    static double YOf(double levelDb, const QRectF& graph);
    static double LevelAtY(double y, const QRectF& graph);

    void Draw(QPainter& painter, const QRectF& area, const ResponseScene& scene);
    void DrawBackdrop(QPainter& painter, const QRectF& area, const ResponseScene& scene);
    void DrawHighlighted(QPainter& painter, const QRectF& area, const ResponseScene& scene);
    // Whether two scenes have the same backdrop: only the highlighted channel differs.
    static bool SameBackdrop(const ResponseScene& a, const ResponseScene& b);

private:
    struct Curves
    {
        PanelSettings settings;
        QRectF graph;
        std::array<QPainterPath, ChannelCount> paths;
    };

    static const Curves& CurvesFor(const PanelSettings& settings, const QRectF& graph,
                                   std::optional<Curves>& cache);
    static void DrawGrid(QPainter& painter, const QRectF& area, const QRectF& graph);
    static void DrawCaption(QPainter& painter, const QRectF& area, const QRectF& graph);
    // Every channel but the highlighted one.
    static void DrawCurves(QPainter& painter, const Curves& curves, int highlighted, bool dashed);

    std::optional<Curves> current;
    std::optional<Curves> compared;
};

// Saves the scene at PictureSize as PNG or SVG, chosen by the path's extension in any case.
// False, with the reason in plain words, when the extension is neither or the file cannot be
// written; nothing is left at path then. Needs a QGuiApplication (any platform, offscreen too).
bool SaveResponsePicture(const ResponseScene& scene, const std::string& path, std::string& error);
