#include "resources/bitmap_ids.h"
#include "tests/resources/resource_bitmap.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <numbers>
#include <vector>

namespace {

int CountPixels(const QImage& picture, bool (*test)(QRgb))
{
    int count = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x)
            count += test(picture.pixel(x, y)) ? 1 : 0;
    }
    return count;
}

// Lamps: the lit picture has a red lamp where the unlit one has a grey one.
std::vector<BitmapId::LampPictures> LampPairs()
{
    std::vector<BitmapId::LampPictures> pairs(std::begin(BitmapId::FilterKeys),
                                              std::end(BitmapId::FilterKeys));
    pairs.push_back(BitmapId::LockKey);
    pairs.push_back(BitmapId::FrontPanelLamp);
    return pairs;
}

class LampPicture : public testing::TestWithParam<BitmapId::LampPictures>
{};

TEST_P(LampPicture, OnlyTheLitPictureShowsRed)
{
    const QImage lit = ResourceBitmap(GetParam().lit);
    const QImage unlit = ResourceBitmap(GetParam().unlit);
    ASSERT_EQ(lit.size(), unlit.size());
    EXPECT_GT(CountPixels(lit, IsRed), 0);
    EXPECT_EQ(CountPixels(unlit, IsRed), 0);
}

TEST_P(LampPicture, BothPicturesShareOneOutline)
{
    const QImage lit = ResourceBitmap(GetParam().lit);
    const QImage unlit = ResourceBitmap(GetParam().unlit);
    ASSERT_EQ(lit.size(), unlit.size());
    for (int y = 0; y < lit.height(); ++y) {
        for (int x = 0; x < lit.width(); ++x)
            EXPECT_EQ(IsMagenta(lit.pixel(x, y)), IsMagenta(unlit.pixel(x, y))) << x << "," << y;
    }
}

INSTANTIATE_TEST_SUITE_P(Skin, LampPicture, testing::ValuesIn(LampPairs()),
                         [](const testing::TestParamInfo<BitmapId::LampPictures>& info) {
                             return "Lit" + std::to_string(info.param.lit);
                         });

TEST(FilterKeyPictures, LampSitsLeftOfTheCaption)
{
    for (const BitmapId::LampPictures& pictures : BitmapId::FilterKeys) {
        const unsigned int number = pictures.lit;
        const QImage key = ResourceBitmap(number);
        for (int y = 0; y < key.height(); ++y) {
            for (int x = key.width() / 4; x < key.width(); ++x)
                EXPECT_FALSE(IsRed(key.pixel(x, y))) << number << " at " << x << "," << y;
        }
    }
}

// Title-bar and window buttons: a grey-blue picture at rest, a red one pressed, and for
// the window buttons a light one with the focus.
struct ButtonLooks
{
    int grey;
    int red;
    int light; // 0: the button has no focus picture
};

constexpr ButtonLooks Buttons[] = {
    {BitmapId::MinimizeUp, BitmapId::MinimizeDown, BitmapId::MinimizeFocus},
    {BitmapId::ExitUp, BitmapId::ExitDown, BitmapId::ExitFocus},
    {BitmapId::HelpUp, BitmapId::HelpDown, 0},
    {BitmapId::LoadUp, BitmapId::LoadDown, 0},
    {BitmapId::SaveUp, BitmapId::SaveDown, 0},
    {BitmapId::ConfigureUp, BitmapId::ConfigureDown, 0},
    {BitmapId::ConnectUp, BitmapId::ConnectDown, 0},
    {BitmapId::DisconnectUp, BitmapId::DisconnectDown, 0},
    {BitmapId::DownloadUp, BitmapId::DownloadDown, 0},
    {BitmapId::FirmwareUp, BitmapId::FirmwareDown, 0},
    {BitmapId::RetrieveUp, BitmapId::RetrieveDown, 0},
};

struct MeanColour
{
    double red;
    double green;
    double blue;

    double Brightness() const { return (red + green + blue) / 3; }
};

MeanColour Mean(const QImage& picture)
{
    MeanColour mean{0, 0, 0};
    const double pixels = picture.width() * picture.height();
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb pixel = picture.pixel(x, y);
            mean.red += qRed(pixel) / pixels;
            mean.green += qGreen(pixel) / pixels;
            mean.blue += qBlue(pixel) / pixels;
        }
    }
    return mean;
}

class ButtonPictures : public testing::TestWithParam<ButtonLooks>
{};

TEST_P(ButtonPictures, RestingPictureIsGreyBlue)
{
    const MeanColour mean = Mean(ResourceBitmap(GetParam().grey));
    EXPECT_GE(mean.blue, mean.red);
    EXPECT_LT(mean.blue - mean.red, 40);
}

TEST_P(ButtonPictures, PressedPictureIsRed)
{
    const QImage grey = ResourceBitmap(GetParam().grey);
    const QImage red = ResourceBitmap(GetParam().red);
    ASSERT_EQ(grey.size(), red.size());
    const MeanColour mean = Mean(red);
    EXPECT_GT(mean.red, mean.green + 50);
    EXPECT_GT(mean.red, mean.blue + 50);
}

TEST_P(ButtonPictures, FocusPictureIsLighter)
{
    if (GetParam().light == 0)
        GTEST_SKIP() << "no focus picture";
    const QImage grey = ResourceBitmap(GetParam().grey);
    const QImage light = ResourceBitmap(GetParam().light);
    ASSERT_EQ(grey.size(), light.size());
    EXPECT_GT(Mean(light).Brightness(), Mean(grey).Brightness() + 20);
}

INSTANTIATE_TEST_SUITE_P(Skin, ButtonPictures, testing::ValuesIn(Buttons),
                         [](const testing::TestParamInfo<ButtonLooks>& info) {
                             return "Grey" + std::to_string(info.param.grey);
                         });

// Knob: the dot orbits the body's centre pixel at radius 8 over the cap, which sits three
// pixels in from the body's corner.
TEST(KnobPictures, BodyHasTickMarksAroundIt)
{
    const QImage body = ResourceBitmap(BitmapId::KnobBody);
    ASSERT_EQ(body.size(), QSize(31, 31));
    int changes = 0;
    bool previous = IsMagenta(body.pixel(15, 30));
    for (int step = 1; step <= 720; ++step) {
        const double angle = step * std::numbers::pi / 360;
        const int x = static_cast<int>(std::lround(15 + 14 * std::sin(angle)));
        const int y = static_cast<int>(std::lround(15 + 14 * std::cos(angle)));
        const bool keyed = IsMagenta(body.pixel(x, y));
        changes += keyed != previous ? 1 : 0;
        previous = keyed;
    }
    EXPECT_GE(changes / 2, 8) << "tick marks on the ring outside the cap";
}

TEST(KnobPictures, CapCoversTheDotsWholeOrbit)
{
    const QImage cap = ResourceBitmap(BitmapId::KnobCap);
    ASSERT_EQ(cap.size(), QSize(25, 24));
    for (int degrees = 0; degrees < 360; degrees += 5) {
        const double angle = degrees * std::numbers::pi / 180;
        for (int radius : {0, 5, 10}) {
            const int x = 12 + static_cast<int>(std::lround(radius * std::sin(angle)));
            const int y = 12 + static_cast<int>(std::lround(radius * std::cos(angle)));
            EXPECT_FALSE(IsMagenta(cap.pixel(x, y))) << x << "," << y;
        }
    }
}

TEST(KnobPictures, DotIsVisibleOnTheSilverCap)
{
    const QImage dot = ResourceBitmap(BitmapId::KnobDot);
    ASSERT_EQ(dot.size(), QSize(3, 3));
    EXPECT_TRUE(IsRed(dot.pixel(1, 1)));
}

TEST(FaderPictures, ChannelIsADarkSlotBetweenTickScales)
{
    const QImage channel = ResourceBitmap(BitmapId::FaderChannel);
    ASSERT_EQ(channel.size(), QSize(30, 67));
    const int travelTop = 3;
    const int travelBottom = 64;
    for (int y = travelTop; y <= travelBottom; ++y)
        EXPECT_TRUE(IsDark(channel.pixel(14, y)) && IsDark(channel.pixel(15, y))) << y;
    for (int scaleX : {8, 21}) {
        int ticks = 0;
        bool inTick = false;
        for (int y = 0; y < channel.height(); ++y) {
            const bool opaque = !IsMagenta(channel.pixel(scaleX, y));
            ticks += opaque && !inTick ? 1 : 0;
            inTick = opaque;
        }
        EXPECT_GE(ticks, 5) << "scale at x " << scaleX;
    }
}

TEST(FaderPictures, ThumbCarriesARedLineAcrossIt)
{
    const QImage thumb = ResourceBitmap(BitmapId::FaderThumb);
    ASSERT_EQ(thumb.size(), QSize(30, 6));
    int bestRow = 0;
    for (int y = 0; y < thumb.height(); ++y) {
        int red = 0;
        for (int x = 0; x < thumb.width(); ++x)
            red += IsRed(thumb.pixel(x, y)) ? 1 : 0;
        bestRow = std::max(bestRow, red);
    }
    EXPECT_GE(bestRow, thumb.width() / 2);
}

} // namespace
