#include <QAbstractSlider>
#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QProcess>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>
#include <string>

#include "controls/bitmap_font_static.h"
#include "controls/skinned_slider.h"
#include "model/value_labels.h"
#include "panel/control_layout.h"
#include "tests/panel/panel_fixture.h"

namespace {

constexpr int Strip = 2;
constexpr int Travel = 12;
// Only a broken drag runs out of this; a working one is seen at once.
constexpr int EventWaitMs = 10000;

bool OnX11()
{
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

void Xdotool(const QStringList& arguments)
{
    EXPECT_EQ(QProcess::execute(QStringLiteral("xdotool"), arguments), 0)
        << arguments.join(' ').toStdString();
}

// Moves are absolute, from wherever the pointer is now, so that the server's pointer
// acceleration, which applies to relative moves, cannot change their length.
QStringList MoveUpFromPointer(int pixels)
{
    const QPoint to = QCursor::pos() - QPoint(0, pixels);
    return {"mousemove", QString::number(to.x()), QString::number(to.y())};
}

// The button is let go and the owner has handled what the control posted, so the live link
// has sent what the notifications said.
void WaitForRelease()
{
    EXPECT_TRUE(QTest::qWaitFor([] { return QWidget::mouseGrabber() == nullptr; }, EventWaitMs));
    QCoreApplication::processEvents();
}

// On X11 the hand is xdotool's: real pointer events through the server, batched as the server
// batches them. Headless weston takes no injected input, so on Wayland the events go to the
// window through Qt, on the platform whose cursor cannot be placed.
class WindowSystemHand
{
public:
    explicit WindowSystemHand(QAbstractSlider& control)
        : control(control), window(*control.window()->windowHandle()),
          at(control.window()->mapFromGlobal(control.mapToGlobal(GripPoint())))
    {
        const QPoint global = control.mapToGlobal(GripPoint());
        if (OnX11())
            Xdotool({"mousemove", "--sync", QString::number(global.x()),
                     QString::number(global.y()), "mousedown", "1"});
        else
            QTest::mousePress(&window, Qt::LeftButton, {}, at);
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return QWidget::mouseGrabber() == &control; }, EventWaitMs));
    }

    // Up one pixel at a time, each step handled before the next, then let go.
    void CreepUp(int pixels)
    {
        for (int step = 0; step < pixels; ++step) {
            const int before = control.value();
            if (OnX11())
                Xdotool(MoveUpFromPointer(1));
            else
                QTest::mouseMove(&window, at -= QPoint(0, 1));
            EXPECT_TRUE(QTest::qWaitFor([&] { return control.value() != before; }, EventWaitMs));
        }
        if (OnX11())
            Xdotool({"mouseup", "1"});
        else
            QTest::mouseRelease(&window, Qt::LeftButton, {}, at);
        WaitForRelease();
    }

    // One quick move up with the release right behind it.
    void FlickUp(int pixels)
    {
        if (OnX11()) {
            Xdotool(MoveUpFromPointer(pixels) << "mouseup"
                                              << "1");
        } else {
            QTest::mouseMove(&window, at -= QPoint(0, pixels));
            QTest::mouseRelease(&window, Qt::LeftButton, {}, at);
        }
        WaitForRelease();
    }

private:
    // Low on the control, so that a flick ends away from where the control puts the cursor
    // back and a release measured from the wrong place shows.
    QPoint GripPoint() const { return {control.width() / 2, control.height() * 3 / 4}; }

    QAbstractSlider& control;
    QWindow& window;
    QPoint at;
};

struct DragCase
{
    const char* name;
    ControlRole control;
    ControlRole readout;
    double StripSettings::*setting;
    std::string (*label)(double);
    bool flick;
};

class Drag : public testing::TestWithParam<DragCase>
{
protected:
    Drag()
    {
        fixture.StartDevice();
        fixture.GoLive();
    }

    PanelFixture fixture;
};

TEST_P(Drag, OnePixelIsOnePositionAndEveryoneEndsOnTheThumb)
{
    const DragCase& c = GetParam();
    auto& control = fixture.ControlAt<CSkinnedSlider>(c.control, Strip);
    const int start = control.value();
    WindowSystemHand hand(control);
    if (c.flick)
        hand.FlickUp(Travel);
    else
        hand.CreepUp(Travel);
    EXPECT_EQ(control.value() - start, Travel);
    const double model = fixture.Panel().Settings()[Strip].*c.setting;
    EXPECT_DOUBLE_EQ(model, control.GetValue());
    EXPECT_EQ(fixture.ControlAt<CBitmapFontStatic>(c.readout, Strip).Text(), c.label(model));
    // The wire carries three decimals.
    EXPECT_NEAR(fixture.Device().Settings()[Strip].*c.setting, model, 0.0005);
}

INSTANTIATE_TEST_SUITE_P(
    Controls, Drag,
    testing::Values(DragCase{"faderSlow", ControlRole::GainFader, ControlRole::GainReadout,
                             &StripSettings::gain, FormatGainLabel, false},
                    DragCase{"faderQuick", ControlRole::GainFader, ControlRole::GainReadout,
                             &StripSettings::gain, FormatGainLabel, true},
                    DragCase{"knobSlow", ControlRole::FrequencyKnob, ControlRole::FrequencyReadout,
                             &StripSettings::freq, FormatFrequencyLabel, false},
                    DragCase{"knobQuick", ControlRole::FrequencyKnob, ControlRole::FrequencyReadout,
                             &StripSettings::freq, FormatFrequencyLabel, true}),
    [](const auto& info) { return std::string(info.param.name); });

// On Wayland the compositor moves the window itself; the panel asks it to and must live on.
TEST(WindowDrag, TitleBandDragLeavesThePanelRunning)
{
    PanelFixture fixture;
    CControlPanelDlg& panel = fixture.Panel();
    const QPoint band = panel.Control(ControlRole::DragArea)->geometry().center();
    QTest::mousePress(&panel, Qt::LeftButton, {}, band);
    QTest::mouseMove(&panel, band + QPoint(40, 25));
    QTest::mouseRelease(&panel, Qt::LeftButton, {}, band + QPoint(40, 25));
    QCoreApplication::processEvents();
    EXPECT_TRUE(panel.isVisible());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
}

} // namespace
