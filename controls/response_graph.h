#pragma once

#include <QImage>
#include <QPointF>
#include <QString>
#include <QWidget>

#include "controls/response_plot.h"

// The response picture as a widget, which tells what lies under the mouse: the channel whose
// curve is nearest, the frequency and the level there. While one channel is dragged only its
// curve is drawn anew, over the kept backdrop.
class CResponseGraph : public QWidget
{
    Q_OBJECT

public:
    explicit CResponseGraph(QWidget* parent = nullptr);

    void SetScene(const ResponseScene& scene);
    const ResponseScene& Scene() const { return scene; }
    // "Channel 3: 1.00 kHz, -3.0 dB"; empty while the mouse is away from every curve.
    const QString& HoverText() const { return hover.text; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    struct Hover
    {
        QPointF onCurve;
        QString text;

        bool operator==(const Hover&) const = default;
    };

    // How far from a curve, in pixels, the mouse still points at it.
    static constexpr double Reach = 12.0;

    Hover HoverAt(const QPointF& at) const;
    void DrawHover(QPainter& painter) const;
    // The backdrop for the scene at the widget's size, drawn again only when it changed.
    const QImage& Backdrop();

    ResponseScene scene;
    CResponsePlot plot;
    QImage backdrop;
    ResponseScene backdropScene;
    QPointF mouseAt;
    Hover hover;
};
