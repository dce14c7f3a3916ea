#include <QScreen>
#include <QTest>
#include <cstring>
#include <gtest/gtest.h>
#include <iostream>
#include <memory>

#include "panel/control_layout.h"
#include "panel/control_panel_dlg.h"
#include "resources/bitmap_ids.h"
#include "resources/skin_resources.h"
#include "tests/drag/display_server.h"

namespace {

constexpr int Scale = 2;
// Room for the whole window at twice its size: the server keeps no pixels off its screen.
constexpr QSize DenseScreen(1600, 1200);
constexpr int CornerSize = 12;
constexpr QRgb Key = qRgb(255, 0, 255);

QImage FinePicture(unsigned int number)
{
    return QImage(SkinResources::BitmapPath(static_cast<int>(number), Scale))
        .convertToFormat(QImage::Format_RGB32);
}

// Where a keyed picture is transparent the background's fine picture shows.
QImage OverBackground(unsigned int number, QPoint at)
{
    QImage picture = FinePicture(number);
    const QImage background = FinePicture(BitmapId::Background);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            if (picture.pixel(x, y) == Key)
                picture.setPixel(x, y, background.pixel(at.x() + x, at.y() + y));
        }
    }
    return picture;
}

struct Region
{
    const char* name;
    // In window pixels, and what the screen shows there in device pixels.
    QRect (*where)(CControlPanelDlg& panel);
    QImage (*expected)(QRect where);
};

QRect Corner(QPoint at)
{
    return {at.x() * (WindowWidth - CornerSize), at.y() * (WindowHeight - CornerSize), CornerSize,
            CornerSize};
}

QImage BackgroundAt(QRect where)
{
    return FinePicture(BitmapId::Background)
        .copy(QRect(where.topLeft() * Scale, where.size() * Scale));
}

const Region Regions[] = {
    {"TopLeftCorner",
     [](CControlPanelDlg&) {
         return Corner({0, 0});
     },
     BackgroundAt},
    {"TopRightCorner",
     [](CControlPanelDlg&) {
         return Corner({1, 0});
     },
     BackgroundAt},
    {"BottomLeftCorner",
     [](CControlPanelDlg&) {
         return Corner({0, 1});
     },
     BackgroundAt},
    {"BottomRightCorner",
     [](CControlPanelDlg&) {
         return Corner({1, 1});
     },
     BackgroundAt},
    {"HelpButtonAtRest",
     [](CControlPanelDlg& panel) { return panel.Control(ControlRole::HelpButton)->geometry(); },
     [](QRect) { return FinePicture(BitmapId::HelpUp); }},
    {"FrontPanelLampOff",
     [](CControlPanelDlg& panel) { return panel.Control(ControlRole::FrontPanelLamp)->geometry(); },
     [](QRect where) { return OverBackground(BitmapId::LampOff, where.topLeft() * Scale); }},
};

// The panel as the X server shows it, started once for all regions.
class FineScreenTest : public testing::TestWithParam<Region>
{
protected:
    static void SetUpTestSuite()
    {
        panel = std::make_unique<CControlPanelDlg>();
        panel->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(panel.get()));
        QCoreApplication::processEvents();
        screenshot = panel->screen()
                         ->grabWindow(panel->winId())
                         .toImage()
                         .convertToFormat(QImage::Format_RGB32);
        screenshot.setDevicePixelRatio(1);
    }

    static void TearDownTestSuite() { panel.reset(); }

    static std::unique_ptr<CControlPanelDlg> panel;
    static QImage screenshot;
};

std::unique_ptr<CControlPanelDlg> FineScreenTest::panel;
QImage FineScreenTest::screenshot;

TEST_P(FineScreenTest, ScreenShowsTheFinePicture)
{
    ASSERT_EQ(panel->size(), QSize(WindowWidth, WindowHeight));
    ASSERT_EQ(screenshot.size(), QSize(WindowWidth, WindowHeight) * Scale);
    const QRect where = GetParam().where(*panel);
    const QImage expected = GetParam().expected(where);
    ASSERT_EQ(expected.size(), where.size() * Scale);
    EXPECT_EQ(screenshot.copy(QRect(where.topLeft() * Scale, expected.size())), expected);
}

INSTANTIATE_TEST_SUITE_P(Panel, FineScreenTest, testing::ValuesIn(Regions),
                         [](const testing::TestParamInfo<Region>& info) {
                             return std::string(info.param.name);
                         });

} // namespace

// The panel on an X server of the test's own, with Qt scaling every window by two as on a
// screen of twice the usual density. The panel remembers its port in the user's settings:
// the test keeps them in a folder of its own.
int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    DisplayServer server(DisplayServer::X11, DenseScreen);
    if (!server.Error().isEmpty()) {
        std::cerr << server.Error().toStdString() << '\n';
        return 1;
    }
    qputenv("QT_SCALE_FACTOR", QByteArray::number(Scale));
    return RunTestsOnDisplay(argc, argv);
}
