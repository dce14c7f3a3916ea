#include "tests/controls/hand.h"
#include "tests/osc_tools.h"
#include "tests/panel/panel_fixture.h"

#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <optional>

#include "model/filter_response.h"
#include "panel/compare_dlg.h"
#include "storage/port_preference.h"
#include "storage/settings_file.h"

namespace {

using enum ControlRole;

constexpr int Channel3 = 2;
constexpr int Channel5 = 4;

QRectF GraphOf(CResponseView& view)
{
    return CResponsePlot::GraphArea(view.Graph().rect());
}

// Where channel's curve crosses frequency in the window as it is drawn now.
QPoint CurvePoint(CResponseView& view, const StripSettings& channel, double frequency)
{
    const QRectF graph = GraphOf(view);
    return QPointF(CResponsePlot::XOf(frequency, graph),
                   CResponsePlot::YOf(ResponseLevel(channel, frequency).value(), graph))
        .toPoint();
}

// Whether a pixel within two of at has the colour (the bold curve is three pixels wide).
bool DrawnNear(const QImage& image, QPoint at, QColor colour)
{
    for (int dy = -2; dy <= 2; ++dy) {
        for (int dx = -2; dx <= 2; ++dx) {
            const QColor pixel = image.pixelColor(at + QPoint(dx, dy));
            if (std::abs(pixel.red() - colour.red()) + std::abs(pixel.green() - colour.green()) +
                    std::abs(pixel.blue() - colour.blue()) <
                24)
                return true;
        }
    }
    return false;
}

// The window as drawn once it has taken the panel's settings, at its next frame.
QImage Picture(CResponseView& view, const PanelSettings& settings)
{
    EXPECT_TRUE(QTest::qWaitFor([&] { return view.Graph().Scene().settings == settings; }));
    return view.Graph().grab().toImage();
}

class ResponseViewTest : public testing::Test
{
protected:
    ResponseViewTest()
    {
        QTest::keyClick(&fixture.Panel(), Qt::Key_F2);
        QCoreApplication::processEvents();
    }
    ~ResponseViewTest() override { WriteResponseView(false, {}); }

    CResponseView& View() { return fixture.Panel().ResponseView(); }
    const StripSettings& Channel(int index) { return fixture.Panel().Settings()[index]; }

    PanelFixture fixture;
};

// The edited channel is drawn bold where its new settings put it, and no longer where its old
// ones did, at once: during a drag, before the button is released.
TEST_F(ResponseViewTest, FollowsEveryEditAsItHappens)
{
    struct Case
    {
        const char* name;
        std::function<void()> edit;
        double at;
    };
    std::optional<Hand> hand;
    const Case cases[] = {
        {"a filter key", [&] { fixture.Click(FilterType::Low, Channel3); }, 4000},
        {"a frequency drag, still held",
         [&] {
             QWidget* knob = fixture.Panel().Control(FrequencyKnob, Channel3);
             hand.emplace(*knob, knob->rect().center());
             for (int step = 0; step < 8; ++step)
                 hand->Move(0, -5);
         },
         4000},
        {"Q key steps",
         [&] {
             hand->Release();
             for (int step = 0; step < 5; ++step)
                 QTest::keyClick(fixture.Panel().Control(QKnob, Channel3), Qt::Key_Up);
         },
         1500},
        {"a remote client's set",
         [&] {
             CPanelRemoteControl& remote = fixture.Panel().RemoteControl();
             ASSERT_TRUE(remote.Start(0));
             const std::string address = remote.LocalAddress();
             ASSERT_EQ(OscSend(std::stoi(address.substr(address.rfind(':') + 1)),
                               {"/sonavire/channel/3/freq", "f", "3000"}),
                       0);
             EXPECT_TRUE(QTest::qWaitFor([&] { return Channel(Channel3).freq == 3000.0; }));
             remote.Stop();
             WriteRemoteControl(false, DefaultRemoteControlPort);
         },
         4000},
    };
    ASSERT_TRUE(View().isVisible());
    const QColor colour = CResponsePlot::ChannelColour(Channel3);
    for (const Case& c : cases) {
        const QPoint before = CurvePoint(View(), Channel(Channel3), c.at);
        c.edit();
        QCoreApplication::processEvents();
        const QPoint after = CurvePoint(View(), Channel(Channel3), c.at);
        ASSERT_GT(std::abs(after.y() - before.y()), 6) << c.name;
        const QImage picture = Picture(View(), fixture.Panel().Settings());
        EXPECT_TRUE(DrawnNear(picture, after, colour)) << c.name;
        EXPECT_FALSE(DrawnNear(picture, before, colour)) << c.name;
    }
}

TEST_F(ResponseViewTest, HoveringNamesTheChannelFrequencyAndLevel)
{
    fixture.Click(FilterType::Notch, Channel3);
    Picture(View(), fixture.Panel().Settings());
    const QPoint onCurve = CurvePoint(View(), Channel(Channel3), 500);
    QWindow* window = View().windowHandle();
    QTest::mouseMove(window, View().Graph().mapTo(&View(), onCurve));
    const double frequency = CResponsePlot::FrequencyAtX(onCurve.x(), GraphOf(View()));
    EXPECT_EQ(View().Graph().HoverText(),
              QStringLiteral("Channel 3: %1 Hz, %2 dB")
                  .arg(frequency, 0, 'f', 0)
                  .arg(ResponseLevel(Channel(Channel3), frequency).value(), 0, 'f', 1));
    QTest::mouseMove(window, View().Graph().mapTo(&View(), QPoint(5, 5)));
    EXPECT_TRUE(View().Graph().HoverText().isEmpty());
}

// F2 in either window opens and closes the view; the next panel opens it where it stood.
TEST(ResponseViewPlacement, F2TogglesAndThePlacementIsRemembered)
{
    const QRect placed(123, 77, 500, 380);
    {
        PanelFixture first;
        QTest::keyClick(&first.Panel(), Qt::Key_F2);
        EXPECT_TRUE(ReadResponseViewOpen());
        // Within the offscreen screen, which a window placed back is kept on.
        first.Panel().ResponseView().setGeometry(placed);
    }
    PanelFixture next;
    CResponseView& view = next.Panel().ResponseView();
    view.RestorePlacement();
    QCoreApplication::processEvents();
    EXPECT_TRUE(view.isVisible());
    EXPECT_EQ(view.geometry(), placed);
    QTest::keyClick(&view, Qt::Key_F2);
    EXPECT_FALSE(view.isVisible());
    EXPECT_FALSE(ReadResponseViewOpen());
}

// The file's values are listed and its curves drawn dashed; the panel keeps its own.
TEST_F(ResponseViewTest, ComparingWithAFileListsAndDrawsItsDifferences)
{
    QTemporaryDir folder;
    PanelSettings other = fixture.Panel().Settings();
    other[Channel5].filter = FilterType::High;
    other[Channel5].freq = 2000;
    other[MasterStrip].gain = 3;
    const QString path = folder.filePath(QStringLiteral("other.snv"));
    std::string error;
    ASSERT_TRUE(WriteSettingsFile(path.toStdString(), other, error)) << error;
    const PanelSettings before = fixture.Panel().Settings();

    QStringList rows;
    const ModalAnswer file = ChooseFile(path);
    const ModalAnswer list([&rows](QWidget& modal) {
        auto* dialog = qobject_cast<CCompareDlg*>(&modal);
        if (!dialog)
            return false;
        for (int row = 0; row < dialog->Rows().topLevelItemCount(); ++row) {
            const QTreeWidgetItem* item = dialog->Rows().topLevelItem(row);
            rows << QStringList{item->text(0), item->text(1), item->text(2), item->text(3)}.join(
                QLatin1Char('|'));
        }
        dialog->reject();
        return true;
    });
    fixture.Panel().CompareAction().trigger();

    EXPECT_EQ(rows, (QStringList{QStringLiteral("Channel 5|filter|FL|HP"),
                                 QStringLiteral("Channel 5|frequency|1000.00|2000.00"),
                                 QStringLiteral("Master|gain|0.00|3.00")}));
    EXPECT_EQ(fixture.Panel().Settings(), before);
    const QImage picture = Picture(View(), fixture.Panel().Settings());
    const QColor colour = CResponsePlot::ChannelColour(Channel5);
    int dashes = 0;
    for (double frequency = 700; frequency < 5000; frequency *= 1.05)
        dashes += DrawnNear(picture, CurvePoint(View(), other[Channel5], frequency), colour);
    EXPECT_GT(dashes, 3);
}

TEST_F(ResponseViewTest, SavesThePictureAsTheOperatorNamesIt)
{
    QTemporaryDir folder;
    struct Case
    {
        QString typed;
        QString written;
        QByteArray starts;
    };
    const Case cases[] = {
        {QStringLiteral("curves"), QStringLiteral("curves.png"), QByteArray("\x89PNG", 4)},
        {QStringLiteral("curves.svg"), QStringLiteral("curves.svg"), QByteArray("<?xml")},
    };
    for (const Case& c : cases) {
        const ModalAnswer file = ChooseFile(folder.filePath(c.typed));
        QTest::mouseClick(&View().SavePictureButton(), Qt::LeftButton);
        QFile written(folder.filePath(c.written));
        ASSERT_TRUE(written.open(QIODevice::ReadOnly)) << c.written.toStdString();
        EXPECT_TRUE(written.readAll().startsWith(c.starts)) << c.written.toStdString();
    }
}

} // namespace
