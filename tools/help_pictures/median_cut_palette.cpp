#include "tools/help_pictures/median_cut_palette.h"

#include <QHash>

#include <algorithm>
#include <vector>

namespace {

struct ColourCount
{
    QRgb colour;
    qint64 pixels;
};

using Box = std::vector<ColourCount>;

constexpr int ChannelCount = 3;

int ChannelOf(QRgb colour, int channel)
{
    return channel == 0 ? qRed(colour) : channel == 1 ? qGreen(colour) : qBlue(colour);
}

struct Spread
{
    int channel = 0;
    int width = 0;
};

Spread WidestChannel(const Box& box)
{
    Spread widest;
    for (int channel = 0; channel < ChannelCount; ++channel) {
        const auto [low, high] = std::ranges::minmax_element(
            box, {}, [channel](const auto& c) { return ChannelOf(c.colour, channel); });
        const int width = ChannelOf(high->colour, channel) - ChannelOf(low->colour, channel);
        if (width > widest.width)
            widest = {channel, width};
    }
    return widest;
}

Box DistinctColours(const QImage& picture)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    QHash<QRgb, qint64> counts;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            ++counts[line[x] | 0xFF000000u];
    }
    Box colours;
    colours.reserve(counts.size());
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        colours.push_back({it.key(), it.value()});
    // The hash's order changes from run to run; the palette, and so the file, must not.
    std::ranges::sort(colours, {}, &ColourCount::colour);
    return colours;
}

// Both halves keep at least one colour, so every split makes progress.
Box SplitOffUpperHalf(Box& box, int channel)
{
    std::ranges::sort(box, {}, [channel](const auto& c) { return ChannelOf(c.colour, channel); });
    qint64 total = 0;
    for (const ColourCount& c : box)
        total += c.pixels;
    std::size_t cut = 1;
    for (qint64 below = box.front().pixels; cut + 1 < box.size() && below * 2 < total; ++cut)
        below += box[cut].pixels;
    Box upper(box.begin() + static_cast<std::ptrdiff_t>(cut), box.end());
    box.resize(cut);
    return upper;
}

QRgb MeanColour(const Box& box)
{
    qint64 sums[ChannelCount] = {};
    qint64 pixels = 0;
    for (const ColourCount& c : box) {
        for (int channel = 0; channel < ChannelCount; ++channel)
            sums[channel] += ChannelOf(c.colour, channel) * c.pixels;
        pixels += c.pixels;
    }
    return qRgb(int((sums[0] + pixels / 2) / pixels), int((sums[1] + pixels / 2) / pixels),
                int((sums[2] + pixels / 2) / pixels));
}

} // namespace

QList<QRgb> CMedianCutPalette::For(const QImage& picture, int size)
{
    std::vector<Box> boxes{DistinctColours(picture)};
    if (boxes.front().empty())
        return {};
    std::vector<Spread> spreads{WidestChannel(boxes.front())};
    while (static_cast<int>(boxes.size()) < size) {
        const auto widest = std::ranges::max_element(spreads, {}, &Spread::width);
        if (widest->width == 0)
            break;
        const auto index = static_cast<std::size_t>(widest - spreads.begin());
        Box upper = SplitOffUpperHalf(boxes[index], widest->channel);
        spreads[index] = WidestChannel(boxes[index]);
        spreads.push_back(WidestChannel(upper));
        boxes.push_back(std::move(upper));
    }
    QList<QRgb> palette;
    for (const Box& box : boxes)
        palette.push_back(MeanColour(box));
    return palette;
}
