#include "controls/response_plot.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QImage>
#include <QSvgGenerator>

#include <algorithm>
#include <cmath>

#include "model/filter_response.h"
#include "storage/atomic_file.h"

namespace {

const QColor Background(18, 22, 28);
const QColor GridFaint(255, 255, 255, 28);
const QColor GridStrong(255, 255, 255, 70);
const QColor LabelColour(200, 208, 216);
const QColor CaptionColour(150, 158, 168);

constexpr double LeftMargin = 48;
constexpr double TopMargin = 40;
constexpr double RightMargin = 16;
constexpr double BottomMargin = 46;
// One curve point every this many pixels across the graph.
constexpr double SampleSpacing = 2.0;

// Lines at every octave of 1 kHz, stronger at each decade.
constexpr double OctaveLines[] = {31.25, 62.5, 125, 250, 500, 1000, 2000, 4000, 8000, 16000};
constexpr double DecadeLines[] = {100, 1000, 10000};

struct FrequencyLabel
{
    double frequency;
    const char* text;
};
constexpr FrequencyLabel FrequencyLabels[] = {
    {20, "20"},   {50, "50"},   {100, "100"}, {200, "200"},   {500, "500"},
    {1000, "1k"}, {2000, "2k"}, {5000, "5k"}, {10000, "10k"}, {20000, "20k"},
};
constexpr double LevelStep = 6.0;

const QString Title = QStringLiteral("Filter response");
const QString Caption = QStringLiteral(
    "Nominal second-order shapes from each channel's type, frequency and Q; the device's own "
    "filter order is not known to the panel.");

QFont LabelFont()
{
    QFont font;
    font.setPixelSize(11);
    return font;
}

QPainterPath CurveOf(const StripSettings& channel, const QRectF& graph)
{
    QPainterPath path;
    if (channel.filter == FilterType::Tone) {
        const double x = CResponsePlot::XOf(ToneFrequency, graph);
        path.moveTo(x, graph.top());
        path.lineTo(x, graph.bottom());
        return path;
    }
    // Far below the grid the curve only needs to leave it, not to reach -200 dB.
    const double lowest = graph.bottom() + 4;
    const auto pointAt = [&](double x, double frequency) {
        const double level = ResponseLevel(channel, frequency).value_or(0.0);
        return QPointF(x, std::min(CResponsePlot::YOf(level, graph), lowest));
    };
    // The filter's own frequency is a point of the curve too, or a notch's narrow floor would
    // fall between two samples and show shallower than it is.
    const double centreX = CResponsePlot::XOf(channel.freq, graph);
    const int points = std::max(2, static_cast<int>(graph.width() / SampleSpacing) + 1);
    double previousX = graph.left();
    for (int point = 0; point < points; ++point) {
        const double x = graph.left() + graph.width() * point / (points - 1);
        if (point == 0) {
            path.moveTo(pointAt(x, CResponsePlot::FrequencyAtX(x, graph)));
            continue;
        }
        if (previousX < centreX && centreX < x)
            path.lineTo(pointAt(centreX, channel.freq));
        path.lineTo(pointAt(x, CResponsePlot::FrequencyAtX(x, graph)));
        previousX = x;
    }
    return path;
}

// Hairlines: the raster engine strokes them tens of times faster than wide antialiased pens,
// which a redraw at every step of a drag cannot afford.
QPen CurvePen(int channel, int highlighted, bool dashed)
{
    QColor colour = CResponsePlot::ChannelColour(channel);
    double width = 1.0;
    if (channel == highlighted)
        width = 2.5;
    else if (highlighted >= 0)
        colour.setAlpha(110);
    QPen pen(colour, width);
    pen.setCosmetic(true);
    if (dashed)
        pen.setStyle(Qt::DashLine);
    return pen;
}

std::string LowerExtension(const std::string& path)
{
    const std::size_t dot = path.find_last_of("./");
    if (dot == std::string::npos || path[dot] != '.')
        return {};
    std::string extension = path.substr(dot + 1);
    std::ranges::transform(extension, extension.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

QByteArray PngOf(const ResponseScene& scene)
{
    QImage image(CResponsePlot::PictureSize, QImage::Format_ARGB32_Premultiplied);
    CResponsePlot plot;
    {
        QPainter painter(&image);
        plot.Draw(painter, QRectF(QPointF(0, 0), CResponsePlot::PictureSize), scene);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray SvgOf(const ResponseScene& scene)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(CResponsePlot::PictureSize);
    generator.setViewBox(QRectF(QPointF(0, 0), CResponsePlot::PictureSize));
    generator.setTitle(Title);
    generator.setDescription(Caption);
    CResponsePlot plot;
    QPainter painter(&generator);
    plot.Draw(painter, QRectF(QPointF(0, 0), CResponsePlot::PictureSize), scene);
    painter.end();
    return bytes;
}

} // namespace

QColor CResponsePlot::ChannelColour(int channel)
{
    // Light enough to stand out on the dark ground, and no two neighbours of a like hue.
    static const QColor colours[ChannelCount] = {
        {79, 195, 247},  {255, 138, 101}, {129, 199, 132}, {240, 98, 146},
        {255, 213, 79},  {149, 117, 205}, {77, 182, 172},  {229, 115, 115},
        {174, 213, 129}, {121, 134, 203}, {255, 183, 77},  {186, 104, 200},
        {77, 208, 225},  {188, 150, 130}, {220, 231, 117}, {144, 164, 174},
    };
    return colours[std::clamp(channel, 0, ChannelCount - 1)];
}

QRectF CResponsePlot::GraphArea(const QRectF& area)
{
    return area.adjusted(LeftMargin, TopMargin, -RightMargin, -BottomMargin);
}

double CResponsePlot::XOf(double frequency, const QRectF& graph)
{
    const double span = std::log(ResponseHighestFrequency / ResponseLowestFrequency);
    return graph.left() + graph.width() * std::log(frequency / ResponseLowestFrequency) / span;
}

double CResponsePlot::FrequencyAtX(double x, const QRectF& graph)
{
    const double span = std::log(ResponseHighestFrequency / ResponseLowestFrequency);
    return ResponseLowestFrequency * std::exp((x - graph.left()) / graph.width() * span);
}

double CResponsePlot::YOf(double levelDb, const QRectF& graph)
{
    return graph.top() + graph.height() * (HighestDb - levelDb) / (HighestDb - LowestDb);
}

double CResponsePlot::LevelAtY(double y, const QRectF& graph)
{
    return HighestDb - (y - graph.top()) / graph.height() * (HighestDb - LowestDb);
}

void CResponsePlot::Draw(QPainter& painter, const QRectF& area, const ResponseScene& scene)
{
    DrawBackdrop(painter, area, scene);
    DrawHighlighted(painter, area, scene);
}

void CResponsePlot::DrawBackdrop(QPainter& painter, const QRectF& area, const ResponseScene& scene)
{
    const QRectF graph = GraphArea(area);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(area, Background);
    DrawGrid(painter, area, graph);
    DrawCaption(painter, area, graph);
    painter.setClipRect(graph.adjusted(-2, -2, 2, 2));
    if (scene.compared)
        DrawCurves(painter, CurvesFor(*scene.compared, graph, compared), -1, true);
    DrawCurves(painter, CurvesFor(scene.settings, graph, current), scene.highlighted, false);
    painter.restore();
}

void CResponsePlot::DrawHighlighted(QPainter& painter, const QRectF& area,
                                    const ResponseScene& scene)
{
    const int channel = scene.highlighted;
    if (channel < 0 || channel >= ChannelCount)
        return;
    const QRectF graph = GraphArea(area);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setClipRect(graph.adjusted(-2, -2, 2, 2));
    painter.setBrush(Qt::NoBrush);
    painter.setPen(CurvePen(channel, channel, false));
    painter.drawPath(CurvesFor(scene.settings, graph, current).paths[channel]);
    painter.restore();
}

bool CResponsePlot::SameBackdrop(const ResponseScene& a, const ResponseScene& b)
{
    if (a.highlighted != b.highlighted || a.compared != b.compared)
        return false;
    for (int channel = 0; channel < ChannelCount; ++channel) {
        if (channel != a.highlighted && a.settings[channel] != b.settings[channel])
            return false;
    }
    return true;
}

const CResponsePlot::Curves& CResponsePlot::CurvesFor(const PanelSettings& settings,
                                                      const QRectF& graph,
                                                      std::optional<Curves>& cache)
{
    const bool sameGraph = cache && cache->graph == graph;
    if (!sameGraph)
        cache = Curves{settings, graph, {}};
    for (int channel = 0; channel < ChannelCount; ++channel) {
        if (sameGraph && cache->settings[channel] == settings[channel])
            continue;
        cache->settings[channel] = settings[channel];
        cache->paths[channel] = CurveOf(settings[channel], graph);
    }
    return *cache;
}

void CResponsePlot::DrawGrid(QPainter& painter, const QRectF& area, const QRectF& graph)
{
    painter.setFont(LabelFont());
    const QFontMetricsF metrics(painter.font());
    painter.setPen(QPen(GridFaint, 1));
    for (double frequency : OctaveLines) {
        const double x = XOf(frequency, graph);
        painter.drawLine(QPointF(x, graph.top()), QPointF(x, graph.bottom()));
    }
    for (double level = LowestDb; level <= HighestDb; level += LevelStep) {
        const double y = YOf(level, graph);
        painter.setPen(QPen(level == 0.0 ? GridStrong : GridFaint, 1));
        painter.drawLine(QPointF(graph.left(), y), QPointF(graph.right(), y));
        painter.setPen(LabelColour);
        const QString text = level > 0 ? QStringLiteral("+%1").arg(level) : QString::number(level);
        painter.drawText(QRectF(area.left(), y - 8, LeftMargin - 6, 16),
                         Qt::AlignRight | Qt::AlignVCenter, text);
    }
    painter.setPen(QPen(GridStrong, 1));
    for (double frequency : DecadeLines) {
        const double x = XOf(frequency, graph);
        painter.drawLine(QPointF(x, graph.top()), QPointF(x, graph.bottom()));
    }
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(graph);
    painter.setPen(LabelColour);
    for (const FrequencyLabel& label : FrequencyLabels) {
        const double x = XOf(label.frequency, graph);
        const QString text = QString::fromLatin1(label.text);
        const double width = metrics.horizontalAdvance(text) + 4;
        painter.drawText(QRectF(x - width / 2, graph.bottom() + 3, width, 14), Qt::AlignCenter,
                         text);
    }
    painter.drawText(QRectF(area.left(), graph.top() - 20, LeftMargin - 6, 16),
                     Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("dB"));
}

void CResponsePlot::DrawCaption(QPainter& painter, const QRectF& area, const QRectF& graph)
{
    QFont titleFont = LabelFont();
    titleFont.setPixelSize(13);
    titleFont.setBold(true);
    painter.setFont(titleFont);
    painter.setPen(LabelColour);
    painter.drawText(QRectF(graph.left(), area.top() + 6, 160, 20),
                     Qt::AlignLeft | Qt::AlignVCenter, Title);
    painter.setFont(LabelFont());
    // The channels' colours, numbered, along the top right.
    const double swatch = 10;
    const double step = 30;
    double x = graph.right() - step * ChannelCount;
    for (int channel = 0; channel < ChannelCount; ++channel, x += step) {
        const QRectF box(x, area.top() + 11, swatch, swatch);
        painter.fillRect(box, ChannelColour(channel));
        painter.drawText(QRectF(box.right() + 3, area.top() + 6, step - swatch - 3, 20),
                         Qt::AlignLeft | Qt::AlignVCenter, QString::number(channel + 1));
    }
    painter.setPen(CaptionColour);
    painter.drawText(QRectF(graph.left(), area.bottom() - 22, graph.width(), 18),
                     Qt::AlignLeft | Qt::AlignVCenter, Caption);
}

void CResponsePlot::DrawCurves(QPainter& painter, const Curves& curves, int highlighted,
                               bool dashed)
{
    painter.setBrush(Qt::NoBrush);
    for (int channel = 0; channel < ChannelCount; ++channel) {
        if (channel == highlighted)
            continue;
        painter.setPen(CurvePen(channel, highlighted, dashed));
        painter.drawPath(curves.paths[channel]);
    }
}

bool SaveResponsePicture(const ResponseScene& scene, const std::string& path, std::string& error)
{
    const std::string extension = LowerExtension(path);
    QByteArray bytes;
    if (extension == "png") {
        bytes = PngOf(scene);
    } else if (extension == "svg") {
        bytes = SvgOf(scene);
    } else {
        error = "a picture is saved as .png or .svg";
        return false;
    }
    return WriteFileAtomically(path, std::string_view(bytes.constData(), bytes.size()), error);
}
