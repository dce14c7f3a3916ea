#include <QCursor>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>
#include <string>

#include "bench/paint_counter.h"
#include "controls/bitmap_slider.h"
#include "controls/control_notification.h"
#include "hand.h"
#include "notification_log.h"
#include "resources/bitmap_ids.h"
#include "skin_folder.h"
#include "test_panel.h"

namespace {

constexpr unsigned int MoveMsg = AppMessage + 14;
constexpr unsigned int ReleaseMsg = AppMessage + 15;
constexpr unsigned int PressMsg = AppMessage + 16;

constexpr QRgb SlotColour = qRgb(40, 40, 40);
constexpr QRgb ThumbColour = qRgb(200, 30, 30);
constexpr int ThumbHeight = 6;

// A 30 x 67 channel whose outer four columns are magenta, and a 30 x 6 thumb.
QImage ChannelPicture()
{
    QImage picture = Solid({30, 67}, Magenta);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 4; x < 26; ++x)
            picture.setPixel(x, y, SlotColour);
    }
    return picture;
}

class FaderTest : public testing::Test
{
protected:
    FaderTest()
    {
        skin.Write(BitmapId::FaderChannel, ChannelPicture());
        skin.Write(BitmapId::FaderThumb, Solid({30, ThumbHeight}, ThumbColour));
        fader.move(40, 20);
        fader.SetNotify(&log, MoveMsg, ReleaseMsg, PressMsg);
        fader.SetBitmap(BitmapId::FaderChannel, CBitmapSlider::Channel);
        fader.SetBitmap(BitmapId::FaderThumb, CBitmapSlider::Thumb);
        fader.SetMaxValue(9.9);
        fader.SetMinValue(0.0);
        fader.SetMaxPos(500);
        panel.Show();
    }

    QRect Thumb() { return BoundsOf(Grab(fader), ThumbColour); }

    void Wheel(int rotation, bool inverted = false)
    {
        const QPointF at(15, 30);
        QWheelEvent wheel(at, fader.mapToGlobal(at), {}, {0, rotation}, Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, inverted);
        QApplication::sendEvent(&fader, &wheel);
    }

    SkinFolder skin;
    TestPanel panel;
    NotificationLog log;
    CBitmapSlider fader{&panel};
};

struct GainCase
{
    const char* name;
    double gain;
    int position;
    int thumbY;
    double readBack;
};

class FaderGainTest : public FaderTest, public testing::WithParamInterface<GainCase>
{};

TEST_P(FaderGainTest, PlacesTheThumbAndReadsBackTheTruncatedPosition)
{
    fader.SetValue(GetParam().gain);
    EXPECT_EQ(fader.value(), GetParam().position);
    EXPECT_EQ(Thumb(), QRect(0, GetParam().thumbY, 30, ThumbHeight));
    EXPECT_DOUBLE_EQ(fader.GetValue(), GetParam().readBack);
    EXPECT_EQ(fader.size(), QSize(30, 67));
}

INSTANTIATE_TEST_SUITE_P(Gains, FaderGainTest,
                         testing::Values(GainCase{"half", 5.0, 252, 30, 4.9896},
                                         GainCase{"top", 9.9, 500, 0, 9.9},
                                         GainCase{"bottom", 0.0, 0, 61, 0.0},
                                         GainCase{"travelOverMaxPlusOne", 0.812, 41, 56, 0.8118},
                                         GainCase{"above", 12.5, 500, 0, 9.9},
                                         GainCase{"below", -1.0, 0, 61, 0.0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FaderTest, ValueAlreadyShownNeitherMovesNorRepaints)
{
    fader.SetValue(5.0);
    const CPaintCounter paints(&fader);
    fader.SetValue(4.999);
    QCoreApplication::processEvents();
    EXPECT_EQ(paints.Count(), 0);
    fader.SetValue(5.1);
    EXPECT_EQ(paints.Count(), 1);
}

struct DragCase
{
    const char* name;
    double gain;
    std::vector<QPoint> moves;
    std::vector<unsigned int> posted;
    int endPosition;
};

class FaderDragTest : public FaderTest, public testing::WithParamInterface<DragCase>
{};

TEST_P(FaderDragTest, FollowsTheMouseOneStepPerPixelUpward)
{
    fader.SetValue(GetParam().gain);
    Hand hand(fader, {15, 40});
    EXPECT_EQ(QWidget::mouseGrabber(), &fader);
    EXPECT_EQ(fader.cursor().shape(), Qt::BlankCursor);
    for (const QPoint& move : GetParam().moves)
        hand.Move(move.x(), move.y());
    hand.Release();
    EXPECT_EQ(log.Messages(), GetParam().posted);
    EXPECT_EQ(fader.value(), GetParam().endPosition);
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_NE(fader.cursor().shape(), Qt::BlankCursor);
}

INSTANTIATE_TEST_SUITE_P(
    Drags, FaderDragTest,
    testing::Values(
        DragCase{"click", 5.0, {}, {PressMsg, ReleaseMsg}, 252},
        DragCase{"upward", 0.0, {{0, -10}, {0, -5}}, {PressMsg, MoveMsg, MoveMsg, ReleaseMsg}, 15},
        DragCase{"downward", 5.0, {{0, 7}}, {PressMsg, MoveMsg, ReleaseMsg}, 245},
        DragCase{
            "pastTheTop", 9.9, {{0, -5}, {0, -3}}, {PressMsg, MoveMsg, MoveMsg, ReleaseMsg}, 500},
        DragCase{"pastTheBottom", 0.0, {{0, 10}, {0, -5}}, {PressMsg, ReleaseMsg}, 0},
        DragCase{"backAboveTheAnchor",
                 0.0,
                 {{0, 10}, {0, -5}, {0, -7}},
                 {PressMsg, MoveMsg, ReleaseMsg},
                 2},
        DragCase{"horizontal", 5.0, {{12, 0}, {-25, 0}}, {PressMsg, ReleaseMsg}, 252}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FaderTest, PutsTheHiddenCursorBackOnTheThumbOnceItStrays)
{
    Hand hand(fader, {15, 40});
    hand.Move(0, -10);
    EXPECT_EQ(Thumb().top(), 59);
    EXPECT_EQ(QCursor::pos(), fader.mapToGlobal(QPoint(15, 59)));
    hand.Move(0, -5);
    EXPECT_EQ(fader.value(), 15);
    hand.Release();
}

TEST_F(FaderTest, PostsNotificationsSoTheOwnerReadsTheValueWhenItHandlesThem)
{
    // The events are delivered at once, before the cursor's own moves are handled.
    const auto pointAt = [&](QPoint at) {
        QCursor::setPos(fader.mapToGlobal(at));
        QTest::mouseMove(&fader, at);
    };
    QCursor::setPos(fader.mapToGlobal(QPoint(15, 40)));
    QTest::mousePress(&fader, Qt::LeftButton, {}, {15, 40});
    pointAt({15, 30});
    pointAt({15, 54});
    EXPECT_EQ(fader.value(), 15);
    EXPECT_EQ(log.HandledSoFar(), 0u);
    const auto& handled = log.Handled();
    ASSERT_EQ(handled.size(), 3u);
    for (const NotificationLog::Entry& entry : handled) {
        EXPECT_EQ(entry.control, &fader);
        EXPECT_DOUBLE_EQ(entry.value, 15 * 9.9 / 500);
    }
    QTest::mouseRelease(&fader, Qt::LeftButton, {}, {15, 59});
}

TEST_F(FaderTest, DragPastTheTopKeepsTheThumbAtTheTop)
{
    fader.SetValue(9.9);
    Hand hand(fader, {15, 40});
    for (int i = 0; i < 2; ++i) {
        hand.Move(0, -4);
        EXPECT_EQ(log.Handled().back().value, 9.9);
        EXPECT_EQ(Thumb().top(), 0);
    }
    hand.Release();
}

struct KeyCase
{
    const char* name;
    int start;
    Qt::Key key;
    int end;
    std::vector<unsigned int> posted;
};

class FaderKeyTest : public FaderTest, public testing::WithParamInterface<KeyCase>
{};

TEST_P(FaderKeyTest, MovesTwoPositionsPerArrowAndIgnoresTheOtherSliderKeys)
{
    fader.MoveTo(GetParam().start);
    QTest::keyClick(&fader, GetParam().key);
    EXPECT_EQ(fader.value(), GetParam().end);
    EXPECT_EQ(log.Messages(), GetParam().posted);
}

const std::vector<unsigned int> Triplet{PressMsg, MoveMsg, ReleaseMsg};

INSTANTIATE_TEST_SUITE_P(Keys, FaderKeyTest,
                         testing::Values(KeyCase{"up", 100, Qt::Key_Up, 102, Triplet},
                                         KeyCase{"down", 100, Qt::Key_Down, 98, Triplet},
                                         KeyCase{"upAtTheTop", 500, Qt::Key_Up, 500, Triplet},
                                         KeyCase{"downAtTheBottom", 0, Qt::Key_Down, 0, Triplet},
                                         KeyCase{"pageUp", 100, Qt::Key_PageUp, 100, {}},
                                         KeyCase{"pageDown", 100, Qt::Key_PageDown, 100, {}},
                                         KeyCase{"home", 100, Qt::Key_Home, 100, {}},
                                         KeyCase{"end", 100, Qt::Key_End, 100, {}},
                                         KeyCase{"left", 100, Qt::Key_Left, 100, {}}),
                         [](const auto& info) { return std::string(info.param.name); });

struct WheelCase
{
    const char* name;
    std::vector<int> rotations;
    bool inverted;
    int end;
    std::size_t steps;
};

class FaderWheelTest : public FaderTest, public testing::WithParamInterface<WheelCase>
{};

TEST_P(FaderWheelTest, StepsLikeTheArrowKeysPerNotch)
{
    fader.MoveTo(100);
    for (int rotation : GetParam().rotations)
        Wheel(rotation, GetParam().inverted);
    EXPECT_EQ(fader.value(), GetParam().end);
    EXPECT_EQ(log.Messages().size(), GetParam().steps * Triplet.size());
}

INSTANTIATE_TEST_SUITE_P(Wheel, FaderWheelTest,
                         testing::Values(WheelCase{"up", {120}, false, 102, 1},
                                         WheelCase{"twoDown", {-240}, false, 96, 2},
                                         WheelCase{"halfNotch", {60}, false, 100, 0},
                                         WheelCase{"twoHalves", {60, 60}, false, 102, 1},
                                         WheelCase{"inverted", {-120}, true, 102, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FaderTest, LockedFaderIgnoresMouseKeysAndWheelButFollowsSetValue)
{
    fader.SetLocked(true);
    Hand hand(fader, {15, 40});
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    hand.Move(0, -10);
    hand.Release();
    QTest::keyClick(&fader, Qt::Key_Up);
    Wheel(120);
    EXPECT_EQ(fader.value(), 0);
    EXPECT_TRUE(log.Messages().empty());
    fader.SetValue(5.0);
    EXPECT_EQ(Thumb().top(), 30);
    fader.SetLocked(false);
    QTest::keyClick(&fader, Qt::Key_Up);
    EXPECT_EQ(fader.value(), 254);
}

TEST_F(FaderTest, LockDuringADragGivesTheMouseBack)
{
    Hand hand(fader, {15, 40});
    fader.SetLocked(true);
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_NE(fader.cursor().shape(), Qt::BlankCursor);
    hand.Move(0, -10);
    hand.Release();
    EXPECT_EQ(log.Messages(), std::vector<unsigned int>{PressMsg});
}

TEST_F(FaderTest, PanelShowsThroughTheMagentaAndNoMagentaReachesTheScreen)
{
    fader.SetValue(5.0);
    const QImage screen = Grab(panel);
    EXPECT_TRUE(BoundsOf(screen, Magenta).isEmpty());
    const QPoint origin = fader.pos();
    EXPECT_EQ(screen.pixel(origin + QPoint(0, 5)), PanelColour);
    EXPECT_EQ(screen.pixel(origin + QPoint(10, 5)), SlotColour);
    EXPECT_EQ(screen.pixel(origin + QPoint(0, 31)), ThumbColour);
}

} // namespace
