#include "tools/bmp_writer.h"

#include <QFile>

#include <algorithm>
#include <set>
#include <vector>

namespace {

constexpr int FileHeaderSize = 14;
constexpr int InfoHeaderSize = 40;
constexpr int PixelsPerMetreAt96Dpi = 3780;

void AppendLittleEndian(QByteArray& bytes, quint32 value, int size)
{
    for (int i = 0; i < size; ++i)
        bytes.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

int RowStride(int width, int bitsPerPixel)
{
    return ((width * bitsPerPixel + 31) / 32) * 4;
}

std::vector<QRgb> ColourTable(const QImage& image)
{
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y) & RGB_MASK);
    }
    return {colours.begin(), colours.end()};
}

QByteArray PixelRow(const QImage& image, int y, int bitsPerPixel, const std::vector<QRgb>& table)
{
    QByteArray row(RowStride(image.width(), bitsPerPixel), '\0');
    auto* out = reinterpret_cast<unsigned char*>(row.data());
    for (int x = 0; x < image.width(); ++x) {
        const QRgb colour = image.pixel(x, y) & RGB_MASK;
        if (bitsPerPixel == 24) {
            out[3 * x] = static_cast<unsigned char>(qBlue(colour));
            out[3 * x + 1] = static_cast<unsigned char>(qGreen(colour));
            out[3 * x + 2] = static_cast<unsigned char>(qRed(colour));
            continue;
        }
        const auto index = static_cast<unsigned char>(
            std::lower_bound(table.begin(), table.end(), colour) - table.begin());
        if (bitsPerPixel == 8)
            out[x] = index;
        else
            out[x / 2] |= (x % 2 == 0) ? static_cast<unsigned char>(index << 4) : index;
    }
    return row;
}

} // namespace

QByteArray BmpWriter::Encode(const QImage& image, int bitsPerPixel)
{
    if (bitsPerPixel != 24 && bitsPerPixel != 8 && bitsPerPixel != 4)
        return {};
    std::vector<QRgb> table;
    if (bitsPerPixel != 24) {
        table = ColourTable(image);
        if (table.size() > (1u << bitsPerPixel))
            return {};
    }
    const int stride = RowStride(image.width(), bitsPerPixel);
    const quint32 pixelOffset = FileHeaderSize + InfoHeaderSize + 4 * table.size();
    const quint32 pixelBytes = stride * image.height();

    QByteArray bytes("BM");
    AppendLittleEndian(bytes, pixelOffset + pixelBytes, 4);
    AppendLittleEndian(bytes, 0, 4);
    AppendLittleEndian(bytes, pixelOffset, 4);

    AppendLittleEndian(bytes, InfoHeaderSize, 4);
    AppendLittleEndian(bytes, image.width(), 4);
    AppendLittleEndian(bytes, image.height(), 4); // positive: rows stored bottom-up
    AppendLittleEndian(bytes, 1, 2);
    AppendLittleEndian(bytes, bitsPerPixel, 2);
    AppendLittleEndian(bytes, 0, 4); // uncompressed
    AppendLittleEndian(bytes, pixelBytes, 4);
    AppendLittleEndian(bytes, PixelsPerMetreAt96Dpi, 4);
    AppendLittleEndian(bytes, PixelsPerMetreAt96Dpi, 4);
    AppendLittleEndian(bytes, table.size(), 4);
    AppendLittleEndian(bytes, 0, 4);

    for (QRgb colour : table)
        AppendLittleEndian(bytes, colour & RGB_MASK, 4); // blue, green, red, reserved

    for (int y = image.height() - 1; y >= 0; --y)
        bytes.append(PixelRow(image, y, bitsPerPixel, table));
    return bytes;
}

bool BmpWriter::Save(const QImage& image, int bitsPerPixel, const QString& path)
{
    const QByteArray bytes = Encode(image, bitsPerPixel);
    if (bytes.isEmpty())
        return false;
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}
