#include "resources/bitmap_ids.h"
#include "resources/skin_resources.h"
#include "tests/resources/bmp_header.h"
#include "tests/resources/resource_bitmap.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

namespace {

enum class Outline
{
    Rectangular, // copied opaque: no pixel may be the key colour
    Keyed,       // magenta around the shape
};

struct ExpectedBitmap
{
    int number;
    int width;
    int height;
    int bitsPerPixel;
    Outline outline;
};

constexpr Outline R = Outline::Rectangular;
constexpr Outline K = Outline::Keyed;

// Every bitmap resource the panel loads, with the size, depth and outline it relies on.
constexpr ExpectedBitmap Expected[] = {
    {BitmapId::Icon, 32, 32, 24, K},
    {BitmapId::LargeFont, 704, 90, 4, R},
    {BitmapId::MediumFont, 512, 66, 4, R},
    {BitmapId::SmallFont, 352, 45, 4, R},
    {BitmapId::FlatKeySelected, 28, 10, 8, R},
    {BitmapId::FlatKey, 28, 10, 8, R},
    {BitmapId::NotchKeySelected, 28, 10, 8, R},
    {BitmapId::ToneKey, 28, 10, 8, R},
    {BitmapId::BandKey, 28, 10, 8, R},
    {BitmapId::HighKey, 28, 10, 8, R},
    {BitmapId::LowKey, 28, 10, 8, R},
    {BitmapId::NotchKey, 28, 10, 8, R},
    {BitmapId::ToneKeySelected, 28, 10, 8, R},
    {BitmapId::BandKeySelected, 28, 10, 8, R},
    {BitmapId::HighKeySelected, 28, 10, 8, R},
    {BitmapId::LowKeySelected, 28, 10, 8, R},
    {BitmapId::MinimizeUp, 14, 16, 24, R},
    {BitmapId::LockLit, 10, 10, 24, R},
    {BitmapId::LockUnlit, 10, 10, 24, R},
    {BitmapId::KnobBody, 31, 31, 24, K},
    {BitmapId::KnobCap, 25, 24, 24, K},
    {BitmapId::KnobDot, 3, 3, 24, K},
    {BitmapId::Background, 720, 539, 24, R},
    {BitmapId::ExitUp, 14, 16, 24, R},
    {BitmapId::ExitDown, 14, 16, 24, R},
    {BitmapId::MinimizeDown, 14, 16, 24, R},
    {BitmapId::ExitFocus, 14, 16, 24, R},
    {BitmapId::MinimizeFocus, 14, 16, 24, R},
    {BitmapId::LoadUp, 20, 20, 24, R},
    {BitmapId::SaveUp, 20, 20, 24, R},
    {BitmapId::ConnectUp, 44, 20, 24, R},
    {BitmapId::DownloadUp, 25, 20, 24, R},
    {BitmapId::RetrieveUp, 25, 20, 24, R},
    {BitmapId::ConfigureUp, 20, 20, 24, R},
    {BitmapId::LoadDown, 20, 20, 24, R},
    {BitmapId::SaveDown, 20, 20, 24, R},
    {BitmapId::ConfigureDown, 20, 20, 24, R},
    {BitmapId::ConnectDown, 44, 20, 24, R},
    {BitmapId::DownloadDown, 25, 20, 24, R},
    {BitmapId::RetrieveDown, 25, 20, 24, R},
    {BitmapId::DisconnectUp, 44, 20, 24, R},
    {BitmapId::DisconnectDown, 44, 20, 24, R},
    {BitmapId::FaderChannel, 30, 67, 24, K},
    {BitmapId::FaderThumb, 30, 6, 24, K},
    {BitmapId::FirmwareUp, 25, 20, 24, R},
    {BitmapId::FirmwareDown, 25, 20, 24, R},
    {BitmapId::LampOff, 9, 9, 24, K},
    {BitmapId::LampOn, 9, 9, 24, K},
    {BitmapId::HelpUp, 20, 20, 24, R},
    {BitmapId::HelpDown, 20, 20, 24, R},
};

class BitmapResource : public testing::TestWithParam<ExpectedBitmap>
{};

std::string BitmapName(const testing::TestParamInfo<ExpectedBitmap>& info)
{
    return "Bitmap" + std::to_string(info.param.number);
}

TEST_P(BitmapResource, LoadsAtItsSize)
{
    const QImage picture = ResourceBitmap(GetParam().number);
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.width(), GetParam().width);
    EXPECT_EQ(picture.height(), GetParam().height);
}

TEST_P(BitmapResource, HeaderDeclaresItsDepthUncompressed)
{
    QFile file(QStringLiteral(":/bitmaps/%1.bmp").arg(GetParam().number));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const std::optional<BmpHeader> header = BmpHeader::Parse(file.readAll());
    ASSERT_TRUE(header.has_value());
    EXPECT_EQ(header->bitsPerPixel, GetParam().bitsPerPixel);
    EXPECT_EQ(header->compression, 0);
    EXPECT_EQ(header->width, GetParam().width);
    EXPECT_EQ(header->height, GetParam().height);
    if (GetParam().bitsPerPixel <= 8) {
        EXPECT_LE(header->colourTable.size(), 1u << GetParam().bitsPerPixel);
    }
}

TEST_P(BitmapResource, KeyColourOnlyAroundShapes)
{
    const QImage picture = ResourceBitmap(GetParam().number);
    ASSERT_FALSE(picture.isNull());
    const int right = picture.width() - 1;
    const int bottom = picture.height() - 1;
    if (GetParam().outline == Outline::Keyed) {
        EXPECT_TRUE(IsMagenta(picture.pixel(0, 0)));
        EXPECT_TRUE(IsMagenta(picture.pixel(right, 0)));
        EXPECT_TRUE(IsMagenta(picture.pixel(0, bottom)));
        EXPECT_TRUE(IsMagenta(picture.pixel(right, bottom)));
        EXPECT_FALSE(IsMagenta(picture.pixel(right / 2, bottom / 2)));
        return;
    }
    int keyed = 0;
    for (int y = 0; y <= bottom; ++y) {
        for (int x = 0; x <= right; ++x)
            keyed += IsMagenta(picture.pixel(x, y)) ? 1 : 0;
    }
    EXPECT_EQ(keyed, 0);
}

// The set for dense screens: the same outline at twice the width and height and the same
// depth, so that the controls' masks and the read-outs' recolouring work on it unchanged.
TEST_P(BitmapResource, FineTwinDoublesTheSizeAtTheSameDepthAndOutline)
{
    QFile file(QStringLiteral(":/bitmaps/%1@2x.bmp").arg(GetParam().number));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const std::optional<BmpHeader> header = BmpHeader::Parse(file.readAll());
    ASSERT_TRUE(header.has_value());
    EXPECT_EQ(header->bitsPerPixel, GetParam().bitsPerPixel);
    EXPECT_EQ(header->width, 2 * GetParam().width);
    EXPECT_EQ(header->height, 2 * GetParam().height);
    const QImage coarse = ResourceBitmap(GetParam().number);
    const QImage fine(QStringLiteral(":/bitmaps/%1@2x.bmp").arg(GetParam().number));
    ASSERT_EQ(fine.size(), 2 * coarse.size());
    for (const QPoint corner : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(1, 1)}) {
        const QPoint at(corner.x() * (coarse.width() - 1), corner.y() * (coarse.height() - 1));
        const QPoint fineAt(corner.x() * (fine.width() - 1), corner.y() * (fine.height() - 1));
        EXPECT_EQ(IsMagenta(coarse.pixel(at)), IsMagenta(fine.pixel(fineAt)))
            << at.x() << "," << at.y();
    }
}

TEST_P(BitmapResource, SearchPathFindsTheCompiledPicture)
{
    SkinResources::InstallSearchPath();
    const QImage viaPath(SkinResources::BitmapPath(GetParam().number));
    EXPECT_EQ(viaPath, ResourceBitmap(GetParam().number));
}

INSTANTIATE_TEST_SUITE_P(Skin, BitmapResource, testing::ValuesIn(Expected), BitmapName);

TEST(BitmapResources, NoTwoResourcesShowTheSamePicture)
{
    std::map<int, QImage> pictures;
    for (const ExpectedBitmap& expected : Expected)
        pictures[expected.number] = ResourceBitmap(expected.number);
    for (const auto& [number, picture] : pictures) {
        for (const auto& [other, otherPicture] : pictures) {
            if (number < other) {
                EXPECT_NE(picture, otherPicture) << number << " and " << other;
            }
        }
    }
}

TEST(BitmapResources, FoldersBeforeTheCompiledSkinTakePrecedence)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QImage replacement(4, 4, QImage::Format_RGB32);
    replacement.fill(Qt::green);
    ASSERT_TRUE(replacement.save(
        folder.filePath(QStringLiteral("%1.bmp").arg(BitmapId::Background)), "BMP"));

    SkinResources::InstallSearchPath({folder.path()});
    EXPECT_EQ(QImage(SkinResources::BitmapPath(BitmapId::Background)).size(), QSize(4, 4));
    EXPECT_EQ(QImage(SkinResources::BitmapPath(BitmapId::LampOff)),
              ResourceBitmap(BitmapId::LampOff));
    SkinResources::InstallSearchPath();
    EXPECT_EQ(QImage(SkinResources::BitmapPath(BitmapId::Background)).size(), QSize(720, 539));
}

TEST(BitmapResources, DesktopIconIsASquarePicture)
{
    const QImage icon(SkinResources::IconPath());
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(icon.width(), icon.height());
    EXPECT_GE(icon.width(), 64);
    EXPECT_TRUE(icon.hasAlphaChannel());
}

} // namespace
