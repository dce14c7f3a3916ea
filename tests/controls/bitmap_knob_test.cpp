#include <QCursor>
#include <QTest>
#include <gtest/gtest.h>
#include <string>

#include "controls/bitmap_knob.h"
#include "controls/control_notification.h"
#include "hand.h"
#include "notification_log.h"
#include "resources/bitmap_ids.h"
#include "skin_folder.h"
#include "test_panel.h"

namespace {

constexpr unsigned int MoveMsg = AppMessage + 12;
constexpr unsigned int ReleaseMsg = AppMessage + 13;

constexpr QRgb BodyColour = qRgb(60, 60, 60);
constexpr QRgb CapColour = qRgb(150, 150, 150);
constexpr QRgb DotColour = qRgb(250, 250, 0);

struct Scale
{
    double valueAtMin;
    double valueAtMax;
    int positions;
};

constexpr Scale Frequency{40.0, 8000.0, 1000};
constexpr Scale FilterQ{0.15, 5.0, 400};

class KnobTest : public testing::Test
{
protected:
    KnobTest()
    {
        skin.Write(BitmapId::KnobBody, Round({31, 31}, BodyColour));
        skin.Write(BitmapId::KnobCap, Round({25, 24}, CapColour));
        skin.Write(BitmapId::KnobDot, Solid({3, 3}, DotColour));
        knob.move(60, 30);
        Configure(Frequency);
        panel.Show();
    }

    void Configure(const Scale& scale)
    {
        knob.SetNotify(&log, MoveMsg, ReleaseMsg, 0);
        knob.SetBitmap(BitmapId::KnobBody, CBitmapKnob::Body);
        knob.SetBitmap(BitmapId::KnobCap, CBitmapKnob::Cap);
        knob.SetBitmap(BitmapId::KnobDot, CBitmapKnob::Dot);
        knob.SetMaxValue(scale.valueAtMax);
        knob.SetMinValue(scale.valueAtMin);
        knob.SetMaxPos(scale.positions);
    }

    QPoint DotAt() { return BoundsOf(Grab(knob), DotColour).topLeft(); }

    SkinFolder skin;
    TestPanel panel;
    NotificationLog log;
    CBitmapKnob knob{&panel};
};

TEST_F(KnobTest, CentresTheCapOnTheBodyAndKeepsTheDotInsideTheCap)
{
    const QImage face = Grab(knob);
    EXPECT_EQ(knob.size(), QSize(31, 31));
    EXPECT_EQ(BoundsOf(face, CapColour), QRect(3, 3, 25, 24));
    EXPECT_EQ(knob.GetRadius(), 8);
}

struct DotCase
{
    const char* name;
    double frequency;
    QPoint dot;
};

class KnobDotTest : public KnobTest, public testing::WithParamInterface<DotCase>
{};

TEST_P(KnobDotTest, TurnsClockwiseFromSevenToFiveOClock)
{
    knob.SetValue(GetParam().frequency);
    EXPECT_EQ(DotAt(), GetParam().dot);
    EXPECT_EQ(BoundsOf(Grab(knob), DotColour).size(), QSize(3, 3));
}

INSTANTIATE_TEST_SUITE_P(Dots, KnobDotTest,
                         testing::Values(DotCase{"minimum", 40.0, {9, 20}},
                                         DotCase{"middle", 4020.0, {13, 6}},
                                         DotCase{"maximum", 8000.0, {18, 20}}),
                         [](const auto& info) { return std::string(info.param.name); });

struct ValueCase
{
    const char* name;
    Scale scale;
    double value;
    int position;
    double readBack;
};

class KnobValueTest : public KnobTest, public testing::WithParamInterface<ValueCase>
{};

TEST_P(KnobValueTest, ReadsBackTheValueOfTheTruncatedPosition)
{
    Configure(GetParam().scale);
    knob.SetValue(GetParam().value);
    EXPECT_EQ(knob.value(), GetParam().position);
    EXPECT_DOUBLE_EQ(knob.GetValue(), GetParam().readBack);
}

INSTANTIATE_TEST_SUITE_P(Values, KnobValueTest,
                         testing::Values(ValueCase{"frequency", Frequency, 1000.0, 120, 995.2},
                                         ValueCase{"q", FilterQ, 0.707, 45, 0.695625},
                                         ValueCase{"qAbove", FilterQ, 6.0, 400, 5.0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(KnobTest, SetRadiusMovesTheDotOntoTheNewOrbit)
{
    knob.MoveTo(500);
    knob.SetRadius(4);
    EXPECT_EQ(knob.GetRadius(), 4);
    EXPECT_EQ(DotAt(), QPoint(13, 10));
}

TEST_F(KnobTest, DragPutsTheHiddenCursorBackOnTheCap)
{
    Hand hand(knob, {15, 20});
    hand.Move(0, -5);
    EXPECT_EQ(QCursor::pos(), knob.mapToGlobal(QPoint(15 + 3, 3)));
    hand.Move(0, -4);
    hand.Release();
    EXPECT_EQ(knob.value(), 9);
    // No press message was given, so only moves and the release reach the owner.
    const auto& handled = log.Handled();
    ASSERT_EQ(handled.size(), 3u);
    EXPECT_EQ(handled[0].message, MoveMsg);
    EXPECT_EQ(handled[2].message, ReleaseMsg);
    EXPECT_EQ(handled[2].control, &knob);
}

TEST_F(KnobTest, ArrowAtTheEndStillReachesTheOwner)
{
    knob.SetValue(8000.0);
    QTest::keyClick(&knob, Qt::Key_Up);
    EXPECT_EQ(knob.value(), 1000);
    EXPECT_EQ(log.Messages(), (std::vector<unsigned int>{MoveMsg, ReleaseMsg}));
    QTest::keyClick(&knob, Qt::Key_Home);
    EXPECT_EQ(knob.value(), 1000);
}

TEST_F(KnobTest, PanelShowsAroundTheRoundBodyAndNoMagentaReachesTheScreen)
{
    const QImage screen = Grab(panel);
    EXPECT_TRUE(BoundsOf(screen, Magenta).isEmpty());
    EXPECT_EQ(screen.pixel(knob.pos()), PanelColour);
    EXPECT_EQ(screen.pixel(knob.pos() + QPoint(15, 1)), BodyColour);
    EXPECT_EQ(screen.pixel(knob.pos() + QPoint(15, 15)), CapColour);
}

} // namespace
