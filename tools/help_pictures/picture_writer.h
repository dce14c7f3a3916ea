#pragma once

#include <QDir>
#include <QImage>
#include <QString>
#include <QStringList>

// Writes the guide's pictures into one folder as small PNG files: each with a palette of
// its own and the strongest compression, since the guide is read from disk beside the
// program and installed with it.
class CPictureWriter
{
public:
    static constexpr int PaletteSize = 128;

    explicit CPictureWriter(const QString& folder);

    // Writes NAME.png; false (with Error()) when the folder or the file cannot be written.
    bool Write(const QString& name, const QImage& picture);

    const QStringList& Written() const { return written; }
    const QString& Error() const { return error; }

private:
    QDir folder;
    QStringList written;
    QString error;
};
