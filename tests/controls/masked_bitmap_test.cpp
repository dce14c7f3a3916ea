#include <QPainter>
#include <gtest/gtest.h>
#include <string>

#include "controls/masked_bitmap.h"
#include "controls/trans_bitmap.h"
#include "skin_folder.h"
#include "test_panel.h"

namespace {

constexpr QRgb Background = qRgb(10, 20, 30);
constexpr QRgb Picture = qRgb(220, 180, 40);
constexpr unsigned int PictureId = 300;

// A 6 x 4 picture of distinct colours, so that any misplaced pixel shows.
QImage Gradient()
{
    QImage picture(6, 4, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(40 * x, 60 * y, 100));
    }
    return picture;
}

QImage Screen(QSize size = {16, 12})
{
    QImage screen(size, QImage::Format_RGB32);
    screen.fill(Background);
    return screen;
}

class MaskedBitmapTest : public testing::Test
{
protected:
    CMaskedBitmap Loaded(const QImage& picture)
    {
        skin.Write(PictureId, picture);
        CMaskedBitmap bitmap;
        EXPECT_TRUE(bitmap.Load(PictureId));
        int width = 0;
        int height = 0;
        EXPECT_TRUE(bitmap.GetSize(width, height));
        EXPECT_EQ(QSize(width, height), picture.size());
        return bitmap;
    }

    QImage DrawnTransparent(const QImage& picture, QPoint at)
    {
        CMaskedBitmap bitmap = Loaded(picture);
        QImage screen = Screen();
        QPainter painter(&screen);
        EXPECT_TRUE(bitmap.DrawTransparent(painter, at.x(), at.y(), CMaskedBitmap::Magenta));
        return screen;
    }

    SkinFolder skin;
};

TEST_F(MaskedBitmapTest, PictureWithoutMagentaDrawsAsAnOpaqueCopy)
{
    CMaskedBitmap bitmap = Loaded(Gradient());
    QImage opaque = Screen();
    QPainter painter(&opaque);
    EXPECT_TRUE(bitmap.Draw(painter, 3, 2));
    painter.end();
    EXPECT_EQ(DrawnTransparent(Gradient(), {3, 2}), opaque);
    EXPECT_EQ(opaque.copy(3, 2, 6, 4), Gradient());
}

TEST_F(MaskedBitmapTest, AllMagentaPictureLeavesTheScreenAlone)
{
    EXPECT_EQ(DrawnTransparent(Solid({6, 4}, Magenta), {3, 2}), Screen());
}

TEST_F(MaskedBitmapTest, SingleMagentaPixelShowsTheBackgroundThroughIt)
{
    QImage picture = Solid({5, 5}, Picture);
    picture.setPixel(2, 2, Magenta);
    const QImage screen = DrawnTransparent(picture, {1, 1});
    EXPECT_EQ(screen.pixel(3, 3), Background);
    EXPECT_EQ(BoundsOf(screen, Picture), QRect(1, 1, 5, 5));
    EXPECT_TRUE(BoundsOf(screen, Magenta).isEmpty());
}

TEST_F(MaskedBitmapTest, DrawsNothingUntilItsSizeIsRead)
{
    skin.Write(PictureId, Gradient());
    CMaskedBitmap bitmap;
    ASSERT_TRUE(bitmap.Load(PictureId));
    QImage screen = Screen();
    QPainter painter(&screen);
    EXPECT_FALSE(bitmap.Draw(painter, 0, 0));
    EXPECT_FALSE(bitmap.DrawTransparent(painter, 0, 0, CMaskedBitmap::Magenta));
    EXPECT_FALSE(bitmap.BuildMask(CMaskedBitmap::Magenta));
    painter.end();
    EXPECT_EQ(screen, Screen());
}

TEST_F(MaskedBitmapTest, MissingPictureHasNoSize)
{
    CMaskedBitmap bitmap;
    EXPECT_FALSE(bitmap.Load(PictureId));
    int width = -1;
    int height = -1;
    EXPECT_FALSE(bitmap.GetSize(width, height));
    EXPECT_EQ(QSize(width, height), QSize(0, 0));
}

struct TileCase
{
    const char* name;
    QSize area;
    std::vector<QPoint> copies;
};

class MaskedBitmapTileTest : public MaskedBitmapTest, public testing::WithParamInterface<TileCase>
{};

TEST_P(MaskedBitmapTileTest, CoversTheAreaWithWholeCopiesFromTheCorner)
{
    skin.Write(PictureId, Gradient());
    CMaskedBitmap bitmap;
    bitmap.Load(PictureId);
    QImage screen = Screen({20, 12});
    QPainter painter(&screen);
    EXPECT_TRUE(bitmap.DrawTiled(painter, GetParam().area.width(), GetParam().area.height()));
    painter.end();
    QImage expected = Screen({20, 12});
    QPainter expectedPainter(&expected);
    for (const QPoint& copy : GetParam().copies)
        expectedPainter.drawImage(copy, Gradient());
    expectedPainter.end();
    EXPECT_EQ(screen, expected);
}

INSTANTIATE_TEST_SUITE_P(Tiles, MaskedBitmapTileTest,
                         testing::Values(TileCase{"smaller", {4, 3}, {{0, 0}}},
                                         TileCase{"exact", {6, 4}, {{0, 0}}},
                                         TileCase{"onePixelWider", {7, 4}, {{0, 0}, {6, 0}}},
                                         TileCase{"twoRows", {6, 5}, {{0, 0}, {0, 4}}}),
                         [](const auto& info) { return std::string(info.param.name); });

class TransBitmapTest : public testing::Test
{
protected:
    TransBitmapTest()
    {
        skin.Write(205, Round({9, 9}, qRgb(70, 70, 70)));
        skin.Write(206, Round({9, 9}, qRgb(230, 0, 0)));
        lamp.setGeometry(8, 9, 7, 7);
        panel.Show();
    }

    SkinFolder skin;
    TestPanel panel;
    CTransBitmap lamp{&panel};
};

TEST_F(TransBitmapTest, LampKeepsItsSizeAndRoundShapeWhenSwitched)
{
    for (const auto& [picture, colour] :
         {std::pair{205u, qRgb(70, 70, 70)}, std::pair{206u, qRgb(230, 0, 0)}}) {
        lamp.SetBitmap(picture);
        EXPECT_EQ(lamp.geometry(), QRect(8, 9, 9, 9));
        const QImage screen = Grab(panel);
        EXPECT_EQ(screen.pixel(8, 9), PanelColour);
        EXPECT_EQ(screen.pixel(16, 17), PanelColour);
        EXPECT_EQ(screen.pixel(12, 13), colour);
        EXPECT_TRUE(BoundsOf(screen, Magenta).isEmpty());
    }
}

TEST_F(TransBitmapTest, MissingPictureKeepsTheSizeAndDrawsNothing)
{
    lamp.SetBitmap(999);
    EXPECT_EQ(lamp.geometry(), QRect(8, 9, 7, 7));
    EXPECT_EQ(BoundsOf(Grab(panel), PanelColour), panel.rect());
}

} // namespace
