#include "tests/panel/panel_fixture.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include "bench/paint_counter.h"
#include "model/value_scale.h"
#include "storage/port_preference.h"

namespace {

const std::string Welcome = "Welcome! Click '?' button or press F1 for help.";

QSettings PortSettings()
{
    return QSettings(PreferenceOrganisation, PreferenceApplication);
}

TEST(PanelStart, ShowsEveryStripAtItsDefaults)
{
    PanelFixture fixture;
    CControlPanelDlg& panel = fixture.Panel();
    EXPECT_EQ(panel.Settings(), PanelSettings{});
    for (int strip = 0; strip < StripCount; ++strip) {
        EXPECT_EQ(fixture.ControlAt<CBitmapKnob>(ControlRole::FrequencyKnob, strip).value(), 120)
            << strip;
        EXPECT_EQ(fixture.ControlAt<CBitmapKnob>(ControlRole::QKnob, strip).value(), 45) << strip;
        EXPECT_EQ(fixture.ControlAt<CBitmapSlider>(ControlRole::GainFader, strip).value(), 0)
            << strip;
        EXPECT_EQ(fixture.ControlAt<CBitmapFontStatic>(ControlRole::FrequencyReadout, strip).Text(),
                  " 1000k");
        EXPECT_EQ(fixture.ControlAt<CBitmapFontStatic>(ControlRole::GainReadout, strip).Text(),
                  "0.0k");
    }
    EXPECT_FALSE(fixture.LampLit());
    EXPECT_EQ(panel.StatusText(), Welcome + std::string(59 - Welcome.size(), ' '));
    EXPECT_EQ(panel.windowTitle(), QStringLiteral("Sonavire"));
    EXPECT_EQ(panel.size(), QSize(720, 539));
    EXPECT_TRUE(panel.Control(ControlRole::RetrieveButton)->isVisible());
    EXPECT_EQ(panel.Control(ControlRole::ModeButton)->toolTip(),
              QStringLiteral("Connect to Sonavire for Real-Time Control"));
    EXPECT_EQ(panel.Control(ControlRole::TransferButton)->toolTip(),
              QStringLiteral("Download Settings to Sonavire"));
    EXPECT_EQ(panel.Control(ControlRole::FrequencyLock, 15)->toolTip(),
              QStringLiteral("Lock to Master Frequency"));
}

TEST(PanelStart, WelcomeStaysFiveTicksAndTheModeTextFollows)
{
    PanelFixture fixture;
    for (int tick = 1; tick <= 5; ++tick) {
        fixture.Tick();
        EXPECT_EQ(fixture.Status(), Welcome) << tick;
    }
    fixture.Tick();
    EXPECT_EQ(fixture.Status(), "Disconnected; Offline Mode");
}

TEST(PanelStart, LoadsTheSettingsFileNamedOnTheCommandLine)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("start.snv"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[channel3]\r\nfreq=2000\r\nFilter=HP\r\nGainLock=1\r\n[MASTER]\r\nGain=5.0\r\n");
    file.close();

    PanelFixture fixture(path.toStdString());
    const PanelSettings& settings = fixture.Panel().Settings();
    EXPECT_EQ(settings[2].freq, 2000.0);
    EXPECT_EQ(settings[2].filter, FilterType::High);
    EXPECT_TRUE(settings[2].gainLock);
    EXPECT_EQ(settings[MasterStrip].gain, 5.0);
    EXPECT_EQ(fixture.ControlAt<CBitmapKnob>(ControlRole::FrequencyKnob, 2).value(),
              FrequencyScale.ToPosition(2000.0));
    EXPECT_EQ(fixture.ControlAt<CBitmapFontStatic>(ControlRole::FrequencyReadout, 2).Text(),
              " 2000k");
    EXPECT_EQ(fixture.ControlAt<CBitmapSlider>(ControlRole::GainFader, MasterStrip).value(), 252);
    EXPECT_EQ(fixture.Status(), "Settings Loaded");
}

// Each lock button flips its own flag and nothing else.
TEST(PanelRouting, EveryLockButtonReachesItsHandlerWithItsOwnId)
{
    struct Row
    {
        const char* name;
        ControlRole lock;
        bool StripSettings::*flag;
    };
    const Row rows[] = {{"frequency", ControlRole::FrequencyLock, &StripSettings::freqLock},
                        {"Q", ControlRole::QLock, &StripSettings::qLock},
                        {"gain", ControlRole::GainLock, &StripSettings::gainLock}};
    PanelFixture fixture;
    for (const Row& row : rows) {
        for (int channel = 0; channel < ChannelCount; ++channel) {
            StripSettings locked;
            locked.*row.flag = true;
            fixture.Click(row.lock, channel);
            EXPECT_EQ(fixture.Panel().Settings()[channel], locked) << row.name << " " << channel;
            fixture.Click(row.lock, channel);
            EXPECT_EQ(fixture.Panel().Settings()[channel], StripSettings{})
                << row.name << " " << channel;
        }
    }
}

TEST(PanelRouting, EveryFilterButtonSetsItsRowsTypeOnItsChannel)
{
    const FilterType rows[] = {FilterType::Band, FilterType::Notch, FilterType::High,
                               FilterType::Low,  FilterType::Tone,  FilterType::Flat};
    PanelFixture fixture;
    for (const FilterType type : rows) {
        for (int channel = 0; channel < ChannelCount; ++channel) {
            fixture.Click(type, channel);
            EXPECT_EQ(fixture.Panel().Settings()[channel].filter, type)
                << FilterTypeToken(type) << " " << channel;
        }
    }
}

TEST(PanelRouting, TheButtonBetweenTheFirstTwoRowsMinimises)
{
    PanelFixture fixture;
    fixture.Click(ControlRole::MinimizeButton);
    EXPECT_TRUE(fixture.Panel().windowState() & Qt::WindowMinimized);
    for (const StripSettings& strip : fixture.Panel().Settings())
        EXPECT_EQ(strip.filter, FilterType::Flat);
}

TEST(PanelExit, IsIgnoredWhileFirmwareIsBeingSent)
{
    PanelFixture fixture;
    fixture.Panel().Link().programming = true;
    fixture.Click(ControlRole::ExitButton);
    EXPECT_TRUE(fixture.Panel().isVisible());
    fixture.Panel().Link().programming = false;
    fixture.Click(ControlRole::ExitButton);
    EXPECT_FALSE(fixture.Panel().isVisible());
    EXPECT_EQ(fixture.Panel().result(), QDialog::Accepted);
}

// A window that asks for a paint while it paints never rests.
TEST(PanelPaint, AnIdlePanelDoesNotRepaint)
{
    PanelFixture fixture;
    QTest::qWait(100);
    const CPaintCounter paints(&fixture.Panel());
    QTest::qWait(300);
    EXPECT_LE(paints.Count(), 1);
}

TEST(PanelPortPreference, IsReadAtStartAndWrittenAtExit)
{
    PortSettings().setValue(PortPreferenceKey, QStringLiteral("/dev/ttyUSB7"));
    {
        CControlPanelDlg panel;
        EXPECT_EQ(panel.PortName(), "/dev/ttyUSB7");
        panel.SetPortName("/dev/ttyACM3");
    }
    EXPECT_EQ(PortSettings().value(PortPreferenceKey).toString(), QStringLiteral("/dev/ttyACM3"));

    PortSettings().setValue(PortPreferenceKey, QString(PortPreferenceLimit, QLatin1Char('x')));
    CControlPanelDlg panel;
    EXPECT_EQ(panel.PortName(), "COM1");
}

// The drag band is the title bar between the transfer buttons and the minimise button.
TEST(PanelDrag, APressStrictlyInsideTheBandMovesTheWindowWithTheCursor)
{
    PanelFixture fixture;
    CControlPanelDlg& panel = fixture.Panel();
    const QRect band = panel.Control(ControlRole::DragArea)->geometry();
    struct Case
    {
        QPoint press;
        bool moves;
    };
    const Case cases[] = {
        {band.center(), true},
        {QPoint(band.left(), band.center().y()), false},
        {QPoint(band.center().x(), band.top()), false},
        {QPoint(band.right() + 1, band.center().y()), false},
        {QPoint(300, 300), false},
    };
    for (const Case& c : cases) {
        const QPoint before = panel.pos();
        QTest::mousePress(&panel, Qt::LeftButton, {}, c.press);
        QTest::mouseMove(&panel, c.press + QPoint(40, 25));
        QTest::mouseRelease(&panel, Qt::LeftButton, {}, c.press + QPoint(40, 25));
        EXPECT_EQ(panel.pos() - before, c.moves ? QPoint(40, 25) : QPoint(0, 0))
            << c.press.x() << "," << c.press.y();
        panel.move(before);
    }
}

class UrlCatcher : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void Open(const QUrl& url) { opened << url; }
};

TEST(PanelHelp, HelpButtonAndF1OpenThePageNamedAfterTheProgram)
{
    const QString page =
        QDir(QCoreApplication::applicationDirPath())
            .filePath(QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() +
                      QStringLiteral(".html"));
    QFile file(page);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "Open");

    PanelFixture fixture;
    fixture.Click(ControlRole::HelpButton);
    QTest::keyClick(&fixture.Panel(), Qt::Key_F1);
    QFile::remove(page);
    QStringList seen;
    const ModalAnswer failure = ModalAnswer::CloseMessageBox(seen);
    QTest::keyClick(&fixture.Panel(), Qt::Key_F1);
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));

    ASSERT_EQ(catcher.opened.size(), 2);
    EXPECT_EQ(catcher.opened[0], QUrl::fromLocalFile(page));
    EXPECT_EQ(catcher.opened[1], QUrl::fromLocalFile(page));
    EXPECT_EQ(seen,
              QStringList({QStringLiteral("Error"), QStringLiteral("Failed to launch help.")}));
}

TEST(PanelAbout, AltSpaceOpensTheMenuWithTheAboutBox)
{
    PanelFixture fixture;
    QStringList menuItems;
    QStringList about;
    const ModalAnswer closeAbout = ModalAnswer::CloseMessageBox(about);
    const QString aboutItem = QStringLiteral("&About Sonavire...");
    QTimer::singleShot(50, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        for (QAction* action : menu->actions())
            menuItems << action->text();
        const int about = static_cast<int>(menuItems.indexOf(aboutItem));
        ASSERT_GE(about, 0);
        menu->actions()[about]->trigger();
        menu->close();
    });
    QTest::keyClick(&fixture.Panel(), Qt::Key_Space, Qt::AltModifier);
    QTest::qWait(100);
    // Minimize and Close, then About after a separator; the panel's own options follow.
    ASSERT_GE(menuItems.size(), 4);
    EXPECT_EQ(menuItems.mid(0, 4), (QStringList{QStringLiteral("Mi&nimize"),
                                                QStringLiteral("&Close"), QString(), aboutItem}));
    ASSERT_FALSE(about.isEmpty());
    EXPECT_EQ(about.front(), QStringLiteral("About Sonavire"));
}

} // namespace

#include "panel_window_test.moc"
