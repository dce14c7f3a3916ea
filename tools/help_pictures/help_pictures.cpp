#include "tools/help_pictures/help_pictures.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "firmware/fileio.h"
#include "model/strip_settings.h"
#include "panel/config_dlg.h"
#include "panel/control_layout.h"
#include "panel/control_panel_dlg.h"
#include "tools/help_pictures/callout_painter.h"
#include "tools/help_pictures/modal_watch.h"
#include "tools/help_pictures/panel_stage.h"
#include "tools/help_pictures/picture_writer.h"

namespace {

// Ticks enough for the status line's rotation to come round to any of its texts.
constexpr int RotationTicks = 20;
constexpr int FirmwareWaitMs = 30000;
// The progress picture is taken once the transfer is this far.
constexpr int ProgressPercent = 40;
// A firmware image of 31 pages: long enough at the wire's pace for the progress to be seen.
constexpr int FirmwareBytes = 0x1F00;
constexpr int MasterGainPresses = 100;
// Channels 13 to 16 are locked to the master gain; the close-up shows the first of them.
constexpr int FirstLockedChannel = 12;
constexpr int StripZoom = 2;
constexpr int DiscSpacing = 22;

// A show's set-up as the emulated device holds it before the panel connects: every channel
// different, so that the picture shows what the panel reads back.
StripSettings ShowSetting(int channel)
{
    struct Row
    {
        FilterType filter;
        double freq;
        double q;
        double gain;
    };
    static constexpr std::array<Row, ChannelCount> Rows = {{
        {FilterType::Low, 120, 0.9, 7.2},
        {FilterType::Low, 180, 0.8, 6.6},
        {FilterType::Band, 400, 1.6, 5.8},
        {FilterType::Band, 800, 2.2, 6.1},
        {FilterType::Notch, 1600, 4.0, 5.0},
        {FilterType::Band, 2500, 1.2, 4.4},
        {FilterType::High, 3200, 0.7, 5.3},
        {FilterType::High, 5000, 0.9, 4.7},
        {FilterType::Flat, 1000, 0.707, 8.1},
        {FilterType::Flat, 1000, 0.707, 7.5},
        {FilterType::Tone, 1000, 0.707, 2.0},
        {FilterType::Notch, 6300, 3.5, 6.8},
        {FilterType::Band, 2000, 1.0, 3.0},
        {FilterType::Band, 2600, 1.4, 3.0},
        {FilterType::High, 4000, 0.8, 3.0},
        {FilterType::High, 6000, 0.8, 3.0},
    }};
    const Row& row = Rows[static_cast<std::size_t>(channel)];
    StripSettings strip;
    strip.filter = row.filter;
    strip.freq = row.freq;
    strip.q = row.q;
    strip.gain = row.gain;
    return strip;
}

// The device's own volume knobs while its front panel is in charge.
constexpr std::array<double, ChannelCount> FrontPanelVolumes = {
    2.5, 3.0, 3.5, 4.0, 4.5, 5.0, 5.5, 6.0, 6.5, 7.0, 7.5, 8.0, 8.5, 9.0, 9.5, 9.9};

// A firmware image as an Intel HEX file, written by the panel's own image writer.
bool WriteFirmwareImage(const QString& path, int length)
{
    std::vector<unsigned char> image(static_cast<std::size_t>(length));
    for (int i = 0; i < length; ++i)
        image[static_cast<std::size_t>(i)] = static_cast<unsigned char>(i * 13);
    return fileio(FileOperation::Write, path.toStdString().c_str(), FileFormat::IntelHex,
                  image.data(), length) == length;
}

// A port as the scan names it: what the hardware says of itself, and the adapter's lasting
// by-id name where it has one.
SerialPortEntry Port(const char* path, const char* description, const char* stableName = "")
{
    SerialPortEntry entry;
    entry.path = path;
    entry.description = description;
    entry.stableName = stableName;
    entry.probe = PortProbe::Free;
    return entry;
}

// A port that exists but that this user may not open, as the probe reports it.
SerialPortEntry PortWithoutPermission(const char* path, const char* description, const char* group)
{
    SerialPortEntry entry;
    entry.path = path;
    entry.description = description;
    entry.probe = PortProbe::Refused;
    entry.reason = "Permission denied";
    entry.permissionDenied = true;
    entry.group = group;
    return entry;
}

// As the operator does it: the file's folder, its name typed, Enter.
bool ChooseFile(QWidget& modal, const QString& path)
{
    auto* dialog = qobject_cast<QFileDialog*>(&modal);
    if (!dialog)
        return false;
    const QFileInfo file(path);
    dialog->setDirectory(file.absolutePath());
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (!name) {
        dialog->reject();
        return true;
    }
    name->clear();
    QTest::keyClicks(name, file.fileName());
    QTest::keyClick(name, Qt::Key_Return);
    // A dialog that did not take the name would hold the click for ever.
    if (dialog->isVisible())
        dialog->reject();
    return true;
}

QMessageBox* MessageBoxTitled(QWidget& modal, const QString& title)
{
    auto* box = qobject_cast<QMessageBox*>(&modal);
    return box && box->windowTitle() == title ? box : nullptr;
}

QPoint RightMiddle(const QRect& r)
{
    return {r.right(), r.center().y()};
}

QPoint BottomMiddle(const QRect& r)
{
    return {r.center().x(), r.bottom()};
}

// The dark band at the top of the window that holds the buttons.
QRect TitleBand(CPanelStage& stage)
{
    return {0, 0, WindowWidth, stage.Place(ControlRole::HelpButton).bottom() + 4};
}

// The buttons that change with the mode, with the fixed ones before them.
QRect ModeButtons(CPanelStage& stage)
{
    return stage.Place(ControlRole::HelpButton)
        .united(stage.Place(ControlRole::RetrieveButton))
        .adjusted(-6, -4, 6, 4);
}

QRect Scaled(const QRect& r, QPoint origin, int zoom)
{
    return {(r.topLeft() - origin) * zoom, r.size() * zoom};
}

} // namespace

CHelpPictures::CHelpPictures(CPictureWriter& writer) : writer(writer) {}

bool CHelpPictures::DrawAll()
{
    return DrawOffline() && DrawLive() && DrawFirmwareUpdate() &&
           DrawPortDialog(QStringLiteral("port-dialog"),
                          {Port("/dev/ttyS0", "Built-in serial port on /dev/ttyS0"),
                           Port("/dev/ttyUSB0", "FT232R USB UART (FTDI, A12345) on /dev/ttyUSB0",
                                "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A12345-if00-port0")}) &&
           DrawPortDialog(QStringLiteral("port-dialog-no-permission"),
                          {Port("/dev/ttyS0", "Built-in serial port on /dev/ttyS0"),
                           PortWithoutPermission("/dev/ttyUSB0",
                                                 "FT232R USB UART (FTDI, A12345) on /dev/ttyUSB0",
                                                 "dialout")}) &&
           DrawNoPortsBox() && DrawResponseView();
}

// ---- the panel offline, as it starts

bool CHelpPictures::DrawOffline()
{
    CPanelStage stage;
    return Write(QStringLiteral("panel-offline"), OverviewWithCallouts(stage)) &&
           Write(QStringLiteral("title-band"), TitleBandWithCallouts(stage)) &&
           Write(QStringLiteral("mode-buttons-offline"), stage.Grab(ModeButtons(stage)));
}

QImage CHelpPictures::OverviewWithCallouts(CPanelStage& stage) const
{
    // Around the dark band, clear of the maker's line at its foot and of the strip numbers.
    const QRect titleBand = TitleBand(stage).adjusted(2, 2, -2, 1);
    QRect firstStrip;
    QRect master;
    for (const ControlEntry& entry : MainWindowLayout()) {
        if (entry.strip == 0)
            firstStrip = firstStrip.united(stage.Place(entry));
        else if (entry.strip == MasterStrip)
            master = master.united(stage.Place(entry));
    }
    firstStrip = firstStrip.adjusted(-3, -4, 3, 3);
    master = master.adjusted(-6, -4, 6, 3);
    const QRect lamp = stage.Place(ControlRole::FrontPanelLamp).adjusted(-3, -3, 128, 3);
    const QRect status = stage.Place(ControlRole::StatusDisplay).adjusted(-4, -4, 4, 4);

    CCalloutPainter callouts(stage.Grab());
    callouts.Frame(1, titleBand, {titleBand.center().x() + 40, titleBand.center().y()});
    callouts.Frame(2, firstStrip, {firstStrip.right(), firstStrip.top() + 48});
    callouts.Frame(3, master, {master.left(), master.center().y()});
    callouts.Frame(4, lamp, RightMiddle(lamp));
    callouts.Frame(5, status, {status.right(), status.top()});
    return callouts.Picture();
}

QImage CHelpPictures::TitleBandWithCallouts(CPanelStage& stage) const
{
    const ControlRole buttons[] = {
        ControlRole::HelpButton,      ControlRole::LoadButton, ControlRole::SaveButton,
        ControlRole::ConfigureButton, ControlRole::ModeButton, ControlRole::TransferButton,
        ControlRole::RetrieveButton,  ControlRole::DragArea,   ControlRole::MinimizeButton,
        ControlRole::ExitButton,
    };
    const QRect band = TitleBand(stage);
    const int discRow = band.height() + DiscSpacing / 2 + 2;
    CCalloutPainter callouts(stage.Grab(band), QMargins(0, 0, 0, DiscSpacing + 4));
    int number = 1;
    int lastDisc = -DiscSpacing;
    for (ControlRole role : buttons) {
        const QRect place = stage.Place(role);
        // The drag band is as tall as the title band; its leader stops inside it, clear of
        // the name on its right.
        const QPoint part = role == ControlRole::DragArea
                                ? QPoint(place.left() + place.width() / 4, place.center().y())
                                : BottomMiddle(place);
        const int discX = std::max(part.x(), lastDisc + DiscSpacing);
        callouts.Point(number++, part, {discX, discRow});
        lastDisc = discX;
    }
    return callouts.Picture();
}

// ---- the panel live, with a show's settings on the device

bool CHelpPictures::GoLive(CPanelStage& stage)
{
    stage.Click(ControlRole::ModeButton);
    if (stage.Panel().Link().mode != ControlMode::Live)
        return Fail(QStringLiteral("the panel did not go live: %1")
                        .arg(QString::fromStdString(stage.Panel().StatusText())));
    return true;
}

bool CHelpPictures::MoveMasterGainWithLocks(CPanelStage& stage)
{
    for (int channel = FirstLockedChannel; channel < ChannelCount; ++channel)
        stage.Click(ControlRole::GainLock, channel);
    stage.PressKey(ControlRole::GainFader, MasterStrip, Qt::Key_Up, MasterGainPresses);
    const PanelSettings& settings = stage.Panel().Settings();
    if (settings[ChannelCount - 1].gain != settings[MasterStrip].gain ||
        settings[MasterStrip].gain == 0.0)
        return Fail(QStringLiteral("the locked channels did not follow the master gain"));
    return true;
}

bool CHelpPictures::DrawLive()
{
    CPanelStage stage;
    if (!stage.StartDevice({}, error))
        return false;
    for (int channel = 0; channel < ChannelCount; ++channel)
        stage.Device().SetChannelSettings(channel, ShowSetting(channel));
    if (!GoLive(stage) || !MoveMasterGainWithLocks(stage))
        return false;
    if (!stage.TickUntilStatus("Connected; Live Mode", RotationTicks))
        return Fail(QStringLiteral("the live panel never showed its mode"));

    // The gain rows of the locked channels and the master, with an unlocked one beside them.
    const QRect locks(
        QPoint(stage.Place(ControlRole::GainFader, FirstLockedChannel - 1).left() - 8,
               stage.Place(ControlRole::FrontPanelLamp).top() - 14),
        QPoint(WindowWidth - 1, stage.Place(ControlRole::GainReadout, MasterStrip).bottom() + 4));
    return Write(QStringLiteral("panel-live"), stage.Grab()) &&
           Write(QStringLiteral("mode-buttons-live"), stage.Grab(ModeButtons(stage))) &&
           Write(QStringLiteral("channel-strip"), StripWithCallouts(stage, FirstLockedChannel)) &&
           Write(QStringLiteral("gain-locks"), stage.Grab(locks)) && DrawFrontPanelActive(stage);
}

QImage CHelpPictures::StripWithCallouts(CPanelStage& stage, int channel) const
{
    QRect strip;
    for (const ControlEntry& entry : MainWindowLayout()) {
        if (entry.strip == channel)
            strip = strip.united(stage.Place(entry));
    }
    // From below the title band, so that the channel's number shows above its read-out.
    const int top = TitleBand(stage).bottom() + 1;
    const QRect area = QRect(QPoint(strip.left() - 6, top), strip.bottomRight() + QPoint(6, 5));
    const QImage zoomed = stage.Grab(area).scaled(area.size() * StripZoom, Qt::IgnoreAspectRatio,
                                                  Qt::FastTransformation);
    const QPoint origin = area.topLeft();
    auto at = [&](ControlRole role, int filterType = -1) {
        return Scaled(stage.Place(role, channel, filterType), origin, StripZoom);
    };

    const int discX = zoomed.width() + DiscSpacing;
    CCalloutPainter callouts(zoomed, QMargins(0, 0, 2 * DiscSpacing, 0));
    int number = 1;
    for (ControlRole role : {ControlRole::FrequencyReadout, ControlRole::FrequencyKnob,
                             ControlRole::FrequencyLock, ControlRole::QKnob, ControlRole::QLock}) {
        const QPoint part = RightMiddle(at(role));
        callouts.Point(number++, part, {discX, part.y()});
    }
    const QRect firstKey = at(ControlRole::FilterButton, static_cast<int>(FilterType::Flat));
    const QRect lastKey = at(ControlRole::FilterButton, static_cast<int>(FilterType::Tone));
    const QPoint keysTop(firstKey.right() + 2, firstKey.top());
    const QPoint keysBottom(firstKey.right() + 2, lastKey.bottom());
    callouts.Span(number++, keysTop, keysBottom, {discX, (keysTop.y() + keysBottom.y()) / 2});
    int lastDisc = 0;
    for (ControlRole role :
         {ControlRole::GainFader, ControlRole::GainLock, ControlRole::GainReadout}) {
        const QPoint part = RightMiddle(at(role));
        const int discY = std::max(part.y(), lastDisc + DiscSpacing);
        callouts.Point(number++, part, {discX, discY});
        lastDisc = discY;
    }
    return callouts.Picture();
}

bool CHelpPictures::DrawFrontPanelActive(CPanelStage& stage)
{
    CEmulatedDevice& device = stage.Device();
    device.SetFrontPanelActive(true);
    for (int channel = 0; channel < ChannelCount; ++channel)
        device.SetFrontPanelVolume(channel, FrontPanelVolumes[static_cast<std::size_t>(channel)]);
    if (!stage.TickUntilStatus("Front Panel Volume Controls Active", 3 * RotationTicks))
        return Fail(QStringLiteral("the panel never showed the device's front panel in charge"));
    const int top = stage.Place(ControlRole::FrontPanelLamp).top() - 14;
    return Write(QStringLiteral("front-panel-active"),
                 stage.Grab(QRect(0, top, WindowWidth, WindowHeight - top)));
}

// ---- the firmware update

bool CHelpPictures::DrawFirmwareUpdate()
{
    QTemporaryDir folder;
    const QString hexFile = folder.filePath(QStringLiteral("sonavire-firmware.hex"));
    if (!WriteFirmwareImage(hexFile, FirmwareBytes))
        return Fail(QStringLiteral("cannot write %1").arg(hexFile));

    CPanelStage stage;
    EmulatorOptions options;
    options.updateMode = true;
    options.paced = true;
    if (!stage.StartDevice(options, error))
        return false;
    stage.Click(ControlRole::ModeButton);
    if (stage.Panel().Link().mode != ControlMode::FirmwareUpdate)
        return Fail(QStringLiteral("the panel did not enter firmware update mode"));
    return Write(QStringLiteral("mode-buttons-update"), stage.Grab(ModeButtons(stage))) &&
           SendFirmware(stage, hexFile);
}

bool CHelpPictures::SendFirmware(CPanelStage& stage, const QString& hexFile)
{
    QImage checklist;
    CModalWatch watch;
    watch.Expect([&hexFile](QWidget& modal) { return ChooseFile(modal, hexFile); });
    watch.Expect([&checklist](QWidget& modal) {
        QMessageBox* box = MessageBoxTitled(modal, QStringLiteral("Update Sonavire OS"));
        if (!box)
            return false;
        checklist = box->grab().toImage();
        box->button(QMessageBox::Ok)->click();
        return true;
    });
    stage.Click(ControlRole::TransferButton);
    if (!watch.AllAnswered() || !stage.Panel().Link().programming)
        return Fail(QStringLiteral("the firmware update did not start"));

    const CDeviceLink& link = stage.Panel().Link();
    const bool halfway = QTest::qWaitFor(
        [&] {
            return !link.programming || link.pageIndex * 100 >= link.pageCount * ProgressPercent;
        },
        FirmwareWaitMs);
    const QRect status = stage.Place(ControlRole::StatusDisplay).adjusted(-8, -6, 8, 6);
    const QImage progress = stage.Grab(status);
    if (!halfway || !link.programming)
        return Fail(QStringLiteral("the firmware progress could not be caught"));
    if (!QTest::qWaitFor([&] { return !link.programming; }, FirmwareWaitMs))
        return Fail(QStringLiteral("the firmware update did not end"));
    return Write(QStringLiteral("firmware-checklist"), checklist) &&
           Write(QStringLiteral("firmware-progress"), progress);
}

// ---- the port dialog

bool CHelpPictures::DrawPortDialog(const QString& name, const std::vector<SerialPortEntry>& ports)
{
    CConfigDlg dialog(nullptr, [ports] { return ports; });
    dialog.portName = "/dev/ttyUSB0";
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog))
        return Fail(QStringLiteral("the port dialog did not show"));
    return Write(name, dialog.grab().toImage());
}

bool CHelpPictures::DrawNoPortsBox()
{
    QImage box;
    CModalWatch watch;
    watch.Expect([&box](QWidget& modal) {
        QMessageBox* message = MessageBoxTitled(modal, QStringLiteral("Error"));
        if (!message)
            return false;
        box = message->grab().toImage();
        message->button(QMessageBox::Ok)->click();
        return true;
    });
    CConfigDlg dialog(nullptr, [] { return std::vector<SerialPortEntry>{}; });
    dialog.show();
    if (box.isNull())
        return Fail(QStringLiteral("the port dialog did not report a machine without ports"));
    return Write(QStringLiteral("no-ports"), box);
}

// ---- writing

bool CHelpPictures::Write(const QString& name, const QImage& picture)
{
    return writer.Write(name, picture) || Fail(writer.Error());
}

bool CHelpPictures::Fail(const QString& why)
{
    error = why;
    return false;
}

// ---- the response window

// Four channels set by their keys and knobs, as the operator sets them, then the window opened
// with F2 and the mouse resting on the band-pass peak.
bool CHelpPictures::DrawResponseView()
{
    struct Edit
    {
        int channel;
        FilterType filter;
        int frequencyPresses;
        int qPresses;
    };
    static constexpr Edit Edits[] = {
        {0, FilterType::Low, -47, 0},
        {1, FilterType::Band, 0, 36},
        {2, FilterType::Notch, 188, 24},
        {3, FilterType::High, -56, 10},
    };
    CPanelStage stage;
    for (const Edit& edit : Edits) {
        stage.Click(ControlRole::FilterButton, edit.channel, static_cast<int>(edit.filter));
        stage.PressKey(ControlRole::FrequencyKnob, edit.channel,
                       edit.frequencyPresses < 0 ? Qt::Key_Down : Qt::Key_Up,
                       std::abs(edit.frequencyPresses));
        stage.PressKey(ControlRole::QKnob, edit.channel, Qt::Key_Up, edit.qPresses);
    }
    QTest::keyClick(&stage.Panel(), Qt::Key_F2);
    CResponseView& view = stage.Panel().ResponseView();
    if (!QTest::qWaitForWindowExposed(&view) ||
        !QTest::qWaitFor([&] { return view.Graph().Scene().settings == stage.Panel().Settings(); }))
        return Fail(QStringLiteral("the response window did not show the panel's settings"));
    const QRectF graph = CResponsePlot::GraphArea(view.Graph().rect());
    const QPointF peak(CResponsePlot::XOf(stage.Panel().Settings()[1].freq, graph),
                       CResponsePlot::YOf(0.0, graph));
    QTest::mouseMove(view.windowHandle(), view.Graph().mapTo(&view, peak.toPoint()));
    if (view.Graph().HoverText().isEmpty())
        return Fail(QStringLiteral("hovering over the band-pass peak told nothing"));
    const QImage picture = view.grab().toImage();
    view.ToggleAction().setChecked(false);
    return Write(QStringLiteral("response-view"), picture);
}
