#include "tests/resources/bmp_header.h"

namespace {

constexpr int InfoHeaderOffset = 14;
constexpr int InfoHeaderSize = 40;

qint64 Field(const QByteArray& bytes, int offset, int size)
{
    quint64 value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
    if (size == 4)
        return static_cast<qint32>(value);
    return static_cast<qint64>(value);
}

} // namespace

std::optional<BmpHeader> BmpHeader::Parse(const QByteArray& bytes)
{
    if (bytes.size() < InfoHeaderOffset + InfoHeaderSize || !bytes.startsWith("BM") ||
        Field(bytes, InfoHeaderOffset, 4) != InfoHeaderSize)
        return std::nullopt;
    BmpHeader header{static_cast<int>(Field(bytes, 18, 4)),
                     static_cast<int>(Field(bytes, 22, 4)),
                     static_cast<int>(Field(bytes, 28, 2)),
                     static_cast<int>(Field(bytes, 30, 4)),
                     {}};
    if (header.bitsPerPixel <= 8) {
        qint64 colours = Field(bytes, 46, 4);
        if (colours == 0)
            colours = 1 << header.bitsPerPixel;
        const int tableOffset = InfoHeaderOffset + InfoHeaderSize;
        if (bytes.size() < tableOffset + 4 * colours)
            return std::nullopt;
        for (int i = 0; i < colours; ++i)
            header.colourTable.push_back(static_cast<QRgb>(Field(bytes, tableOffset + 4 * i, 4)) &
                                         RGB_MASK);
    }
    return header;
}
