#pragma once

#include <QByteArray>
#include <QRgb>

#include <optional>
#include <vector>

// The fields of a bitmap file's headers that decide how the panel sees it, read from the
// bytes themselves: Qt converts on loading and would hide a wrong depth.
struct BmpHeader
{
    int width;
    int height;
    int bitsPerPixel;
    int compression;
    std::vector<QRgb> colourTable;

    // Nothing when the bytes are not a Windows bitmap with a 40-byte info header.
    static std::optional<BmpHeader> Parse(const QByteArray& bytes);
};
