#include "controls/response_graph.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

#include "model/filter_response.h"

namespace {

QString FrequencyText(double frequency)
{
    return frequency < 1000.0 ? QStringLiteral("%1 Hz").arg(frequency, 0, 'f', 0)
                              : QStringLiteral("%1 kHz").arg(frequency / 1000.0, 0, 'f', 2);
}

} // namespace

CResponseGraph::CResponseGraph(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(480, 300);
}

void CResponseGraph::SetScene(const ResponseScene& newScene)
{
    scene = newScene;
    if (!hover.text.isEmpty())
        hover = HoverAt(mouseAt);
    update();
}

void CResponseGraph::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, Backdrop());
    plot.DrawHighlighted(painter, rect(), scene);
    DrawHover(painter);
}

const QImage& CResponseGraph::Backdrop()
{
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (backdrop.size() == pixels && backdrop.devicePixelRatio() == ratio &&
        CResponsePlot::SameBackdrop(backdropScene, scene))
        return backdrop;
    backdrop = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    backdrop.setDevicePixelRatio(ratio);
    QPainter painter(&backdrop);
    plot.DrawBackdrop(painter, rect(), scene);
    backdropScene = scene;
    return backdrop;
}

void CResponseGraph::mouseMoveEvent(QMouseEvent* event)
{
    mouseAt = event->position();
    const Hover now = HoverAt(mouseAt);
    if (now == hover)
        return;
    hover = now;
    update();
}

void CResponseGraph::leaveEvent(QEvent*)
{
    if (hover.text.isEmpty())
        return;
    hover = {};
    update();
}

CResponseGraph::Hover CResponseGraph::HoverAt(const QPointF& at) const
{
    const QRectF graph = CResponsePlot::GraphArea(rect());
    if (!graph.contains(at))
        return {};
    const double frequency = CResponsePlot::FrequencyAtX(at.x(), graph);
    Hover nearest;
    double distance = Reach;
    for (int channel = 0; channel < ChannelCount; ++channel) {
        const StripSettings& settings = scene.settings[channel];
        const std::optional<double> level = ResponseLevel(settings, frequency);
        const QString name = QStringLiteral("Channel %1: ").arg(ChannelNumber(channel));
        if (!level) {
            const double toneX = CResponsePlot::XOf(ToneFrequency, graph);
            if (std::abs(at.x() - toneX) < distance) {
                distance = std::abs(at.x() - toneX);
                nearest = {{toneX, at.y()}, name + QStringLiteral("tone at 1 kHz")};
            }
            continue;
        }
        const double y = CResponsePlot::YOf(*level, graph);
        if (std::abs(at.y() - y) < distance) {
            distance = std::abs(at.y() - y);
            // Adding zero turns a rounded -0.0 into 0.0.
            const double shown = std::round(*level * 10.0) / 10.0 + 0.0;
            nearest = {{at.x(), y},
                       name + FrequencyText(frequency) +
                           QStringLiteral(", %1 dB").arg(shown, 0, 'f', 1)};
        }
    }
    return nearest;
}

void CResponseGraph::DrawHover(QPainter& painter) const
{
    if (hover.text.isEmpty())
        return;
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::white, 1.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(hover.onCurve, 4, 4);
    const QRectF graph = CResponsePlot::GraphArea(rect());
    const QFontMetricsF metrics(painter.font());
    QRectF box(0, 0, metrics.horizontalAdvance(hover.text) + 12, metrics.height() + 8);
    box.moveTopLeft(hover.onCurve + QPointF(10, -box.height() - 6));
    box.moveRight(std::min(box.right(), graph.right() - 2));
    box.moveTop(std::max(box.top(), graph.top() + 2));
    painter.setPen(QPen(QColor(255, 255, 255, 120), 1));
    painter.setBrush(QColor(0, 0, 0, 200));
    painter.drawRoundedRect(box, 4, 4);
    painter.setPen(Qt::white);
    painter.drawText(box, Qt::AlignCenter, hover.text);
}
