#pragma once

#include <QString>
#include <QStringList>

// Where the panel finds its skin. Bitmaps are addressed by resource number through the
// search path "bitmaps", which ends with the pictures compiled into the program; folders
// put before it (a skin being worked on, a test's own pictures) take precedence.
class SkinResources
{
public:
    static constexpr const char* SearchPrefix = "bitmaps";

    // Sets the search path to the given folders followed by the compiled-in bitmaps.
    static void InstallSearchPath(const QStringList& firstFolders = {});

    // "bitmaps:<number>.bmp", the name to load a bitmap resource by.
    static QString BitmapPath(int number);

    // The desktop and window icon compiled into the program.
    static QString IconPath();
};
