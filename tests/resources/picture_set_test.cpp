#include "resources/bitmap_ids.h"
#include "resources/skin_resources.h"
#include "tests/resources/resource_bitmap.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

enum class Folder
{
    None,       // the compiled-in skin only
    CoarseOnly, // a folder before it with the scale-1 picture alone
};

struct RatioChoice
{
    const char* name;
    qreal ratio;
    Folder folder;
    int scale;       // of the picture loaded
    bool fromFolder; // the folder's picture rather than the compiled one
};

// Any ratio above 1 takes the finer set, which a fractional ratio scales down; a folder put
// first still decides even when it lacks the finer picture.
constexpr RatioChoice Choices[] = {
    {"Ratio1", 1.0, Folder::None, 1, false},
    {"Ratio1_5", 1.5, Folder::None, 2, false},
    {"Ratio2", 2.0, Folder::None, 2, false},
    {"Ratio2WithCoarseFolder", 2.0, Folder::CoarseOnly, 1, true},
};

class PictureSet : public testing::TestWithParam<RatioChoice>
{};

TEST_P(PictureSet, RatioChoosesTheSetAndKeepsTheWindowSize)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QImage replacement(720, 539, QImage::Format_RGB32);
    replacement.fill(Qt::green);
    if (GetParam().folder == Folder::CoarseOnly) {
        ASSERT_TRUE(replacement.save(
            folder.filePath(QStringLiteral("%1.bmp").arg(BitmapId::Background)), "BMP"));
        SkinResources::InstallSearchPath({folder.path()});
    } else {
        SkinResources::InstallSearchPath();
    }

    const QImage loaded = SkinResources::LoadBitmap(BitmapId::Background, GetParam().ratio);
    SkinResources::InstallSearchPath();

    ASSERT_FALSE(loaded.isNull());
    EXPECT_EQ(loaded.devicePixelRatio(), GetParam().scale);
    EXPECT_EQ(loaded.deviceIndependentSize(), QSizeF(720, 539));
    const QImage expected =
        GetParam().fromFolder
            ? replacement
            : QImage(GetParam().scale == 1
                         ? QStringLiteral(":/bitmaps/%1.bmp").arg(BitmapId::Background)
                         : QStringLiteral(":/bitmaps/%1@2x.bmp").arg(BitmapId::Background));
    EXPECT_EQ(loaded.convertToFormat(QImage::Format_RGB32),
              expected.convertToFormat(QImage::Format_RGB32));
}

INSTANTIATE_TEST_SUITE_P(Skin, PictureSet, testing::ValuesIn(Choices),
                         [](const testing::TestParamInfo<RatioChoice>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
