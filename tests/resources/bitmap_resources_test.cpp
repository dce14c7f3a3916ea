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
    {128, 32, 32, 24, K}, {129, 704, 90, 4, R}, {130, 512, 66, 4, R},   {131, 352, 45, 4, R},
    {137, 28, 10, 8, R},  {138, 28, 10, 8, R},  {139, 28, 10, 8, R},    {140, 28, 10, 8, R},
    {141, 28, 10, 8, R},  {142, 28, 10, 8, R},  {143, 28, 10, 8, R},    {144, 28, 10, 8, R},
    {145, 28, 10, 8, R},  {146, 28, 10, 8, R},  {147, 28, 10, 8, R},    {148, 28, 10, 8, R},
    {150, 14, 16, 24, R}, {152, 10, 10, 24, R}, {153, 10, 10, 24, R},   {162, 31, 31, 24, K},
    {165, 25, 24, 24, K}, {166, 3, 3, 24, K},   {171, 720, 539, 24, R}, {173, 14, 16, 24, R},
    {174, 14, 16, 24, R}, {176, 14, 16, 24, R}, {177, 14, 16, 24, R},   {178, 14, 16, 24, R},
    {179, 20, 20, 24, R}, {180, 20, 20, 24, R}, {181, 44, 20, 24, R},   {182, 25, 20, 24, R},
    {183, 25, 20, 24, R}, {184, 20, 20, 24, R}, {185, 20, 20, 24, R},   {186, 20, 20, 24, R},
    {187, 20, 20, 24, R}, {188, 44, 20, 24, R}, {189, 25, 20, 24, R},   {190, 25, 20, 24, R},
    {191, 44, 20, 24, R}, {192, 44, 20, 24, R}, {198, 30, 67, 24, K},   {200, 30, 6, 24, K},
    {203, 25, 20, 24, R}, {204, 25, 20, 24, R}, {205, 9, 9, 24, K},     {206, 9, 9, 24, K},
    {207, 20, 20, 24, R}, {208, 20, 20, 24, R},
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
    ASSERT_TRUE(replacement.save(folder.filePath(QStringLiteral("171.bmp")), "BMP"));

    SkinResources::InstallSearchPath({folder.path()});
    EXPECT_EQ(QImage(SkinResources::BitmapPath(171)).size(), QSize(4, 4));
    EXPECT_EQ(QImage(SkinResources::BitmapPath(205)), ResourceBitmap(205));
    SkinResources::InstallSearchPath();
    EXPECT_EQ(QImage(SkinResources::BitmapPath(171)).size(), QSize(720, 539));
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
