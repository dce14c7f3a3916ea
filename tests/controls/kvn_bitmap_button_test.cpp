#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <string>

#include "controls/kvn_bitmap_button.h"
#include "resources/bitmap_ids.h"
#include "skin_folder.h"
#include "test_panel.h"

namespace {

constexpr unsigned int Missing = 999;

struct Look
{
    unsigned int id;
    QRgb colour;
};

constexpr Look Up{BitmapId::LockUnlit, qRgb(120, 130, 150)};
constexpr Look Down{BitmapId::LockLit, qRgb(220, 20, 20)};
constexpr Look Focus{BitmapId::MinimizeFocus, qRgb(200, 200, 200)};
constexpr Look Disabled{BitmapId::ToneKey, qRgb(90, 90, 90)};

class ButtonTest : public testing::Test
{
protected:
    ButtonTest()
    {
        for (const Look& look : {Up, Down, Focus, Disabled})
            skin.Write(look.id, Solid({14, 16}, look.colour));
        skin.Write(BitmapId::HelpUp, Solid({20, 20}, Up.colour));
        button.setGeometry(5, 7, 30, 30);
        panel.Show();
    }

    QRgb Shown() { return Grab(panel).pixel(button.pos() + QPoint(6, 6)); }

    SkinFolder skin;
    TestPanel panel;
    CKVNBitmapButton button{&panel};
};

TEST_F(ButtonTest, TakesTheSizeOfItsUpPictureKeepingItsCorner)
{
    EXPECT_TRUE(button.LoadBitmaps(Up.id, Down.id, Focus.id));
    EXPECT_EQ(button.geometry(), QRect(5, 7, 14, 16));
    EXPECT_TRUE(button.LoadBitmaps(BitmapId::HelpUp));
    EXPECT_EQ(button.geometry(), QRect(5, 7, 20, 20));
}

enum State
{
    Idle = 0,
    Pressed = 1,
    Focused = 2,
    Disabling = 4
};

struct PictureCase
{
    const char* name;
    Look up;
    Look down;
    unsigned int focus;
    unsigned int disabled;
    int state;
    QRgb shown;
};

class ButtonPictureTest : public ButtonTest, public testing::WithParamInterface<PictureCase>
{};

TEST_P(ButtonPictureTest, ShowsThePictureOfTheFirstStateThatHasOne)
{
    const PictureCase& c = GetParam();
    button.LoadBitmaps(c.up.id, c.down.id, c.focus, c.disabled);
    if (c.state & Focused)
        button.setFocus();
    else
        button.clearFocus();
    button.setEnabled(!(c.state & Disabling));
    if (c.state & Pressed)
        QTest::mousePress(&button, Qt::LeftButton, {}, {3, 3});
    EXPECT_EQ(Shown(), c.shown);
    if (c.state & Pressed)
        QTest::mouseRelease(&button, Qt::LeftButton, {}, {3, 3});
}

constexpr Look NoDown{0, 0};

INSTANTIATE_TEST_SUITE_P(
    States, ButtonPictureTest,
    testing::Values(
        PictureCase{"idle", Up, Down, Focus.id, Disabled.id, Idle, Up.colour},
        PictureCase{"pressed", Up, Down, 0, 0, Pressed, Down.colour},
        PictureCase{"pressedWithoutDown", Up, NoDown, 0, 0, Pressed, Up.colour},
        PictureCase{"focused", Up, Down, Focus.id, 0, Focused, Focus.colour},
        PictureCase{"focusedWithoutFocus", Up, Down, 0, 0, Focused, Up.colour},
        PictureCase{"pressedBeatsFocused", Up, Down, Focus.id, 0, Focused | Pressed, Down.colour},
        PictureCase{"disabled", Up, Down, 0, Disabled.id, Disabling, Disabled.colour},
        PictureCase{"disabledWithoutDisabled", Up, Down, Focus.id, 0, Disabling, Up.colour},
        PictureCase{"litDarkensWhilePressed", Down, Up, 0, 0, Pressed, Up.colour}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ButtonTest, ClickReachesTheOwnerAndLeavesTheFocusPicture)
{
    button.LoadBitmaps(Up.id, Down.id, Focus.id);
    button.clearFocus();
    QSignalSpy clicks(&button, &QAbstractButton::clicked);
    QTest::mouseClick(&button, Qt::LeftButton, {}, {3, 3});
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(Shown(), Focus.colour);
}

TEST_F(ButtonTest, MissingUpPictureLeavesTheButtonBlank)
{
    EXPECT_FALSE(button.LoadBitmaps(Missing, Down.id));
    EXPECT_EQ(button.geometry(), QRect(5, 7, 30, 30));
    EXPECT_EQ(Shown(), PanelColour);
    QTest::mousePress(&button, Qt::LeftButton, {}, {3, 3});
    EXPECT_EQ(Shown(), PanelColour);
    QTest::mouseRelease(&button, Qt::LeftButton, {}, {3, 3});
}

TEST_F(ButtonTest, MissingOptionalPictureFailsAndTheNextRuleApplies)
{
    EXPECT_FALSE(button.LoadBitmaps(Up.id, Missing, Focus.id));
    button.clearFocus();
    QTest::mousePress(&button, Qt::LeftButton, {}, {3, 3});
    EXPECT_EQ(Shown(), Focus.colour);
    QTest::mouseRelease(&button, Qt::LeftButton, {}, {3, 3});
}

} // namespace
