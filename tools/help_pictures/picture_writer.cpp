#include "tools/help_pictures/picture_writer.h"

#include <QImageWriter>

#include "tools/help_pictures/median_cut_palette.h"

namespace {

// Qt's PNG writer turns quality 0 into its strongest compression.
constexpr int StrongestCompression = 0;

QImage WithOwnPalette(const QImage& picture)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    return rgb.convertToFormat(QImage::Format_Indexed8,
                               CMedianCutPalette::For(rgb, CPictureWriter::PaletteSize),
                               Qt::ThresholdDither | Qt::AvoidDither);
}

} // namespace

CPictureWriter::CPictureWriter(const QString& folder) : folder(folder) {}

bool CPictureWriter::Write(const QString& name, const QImage& picture)
{
    if (!folder.mkpath(QStringLiteral("."))) {
        error = QStringLiteral("cannot create %1").arg(folder.path());
        return false;
    }
    const QString fileName = name + QStringLiteral(".png");
    QImageWriter file(folder.filePath(fileName), "png");
    file.setQuality(StrongestCompression);
    if (!file.write(WithOwnPalette(picture))) {
        error = QStringLiteral("cannot write %1: %2").arg(file.fileName(), file.errorString());
        return false;
    }
    written << fileName;
    return true;
}
