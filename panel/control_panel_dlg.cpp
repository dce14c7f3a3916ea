#include "panel/control_panel_dlg.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QShortcut>
#include <QUrl>

#include <chrono>
#include <filesystem>
#include <unistd.h>

#include "controls/control_notification.h"
#include "model/value_labels.h"
#include "model/value_scale.h"
#include "panel/about_dlg.h"
#include "panel/config_dlg.h"
#include "panel/control_layout.h"
#include "resources/skin_resources.h"
#include "storage/port_preference.h"
#include "storage/regular_file.h"
#include "storage/settings_file.h"

namespace {

constexpr int TimerIntervalMs = 1000;
constexpr int SmallFont = 2;
constexpr const char* ControlIdProperty = "controlId";

// The read-outs' colours: black ground, pale dots lit, dark blue dots unlit.
const QColor ReadoutBackground(0, 0, 0);
const QColor ReadoutLit(0xEF, 0xF3, 0xF5);
const QColor ReadoutUnlit(0x17, 0x40, 0x67);

struct ButtonPictures
{
    unsigned int up;
    unsigned int down;
    unsigned int focus = 0;
};

constexpr ButtonPictures Unlocked{153, 152};
constexpr ButtonPictures Locked{152, 153};
constexpr unsigned int LampOff = 205;
constexpr unsigned int LampOn = 206;

// Unselected and selected pictures of each filter type's key, in FilterType order.
struct FilterKeyPictures
{
    ButtonPictures unselected;
    ButtonPictures selected;
};
constexpr FilterKeyPictures FilterKeys[FilterTypeCount] = {
    {{141, 146}, {146, 141}}, // Band
    {{138, 137}, {137, 138}}, // Flat
    {{142, 147}, {147, 142}}, // High
    {{143, 148}, {148, 143}}, // Low
    {{144, 139}, {139, 144}}, // Notch
    {{140, 145}, {145, 140}}, // Tone
};

// The pictures and tooltips of the three buttons that change with the link's mode.
struct ModeButtonLook
{
    ButtonPictures mode;
    const char* modeTip;
    ButtonPictures transfer;
    const char* transferTip;
    bool retrieveShown;
};
constexpr ModeButtonLook ModeLooks[] = {
    {{181, 188},
     "Connect to Sonavire for Real-Time Control",
     {182, 189},
     "Download Settings to Sonavire",
     true},
    {{191, 192},
     "Disconnect from Sonavire",
     {182, 189},
     "Store settings permanently in Sonavire",
     false},
    {{191, 192}, "Disconnect from Sonavire", {203, 204}, "Update Sonavire Firmware", false},
};
constexpr ButtonPictures RetrievePictures{183, 190};
constexpr const char* RetrieveTip = "Retrieve Settings from Sonavire";

const char* const WelcomeText = "Welcome! Click '?' button or press F1 for help.";
const char* const InvalidSettingsFile = "This is not a valid Sonavire file!";
const char* const DownloadFailed = "Download Failed! Check connection and try again.";
const char* const ConnectFailed = "Unable to connect to Sonavire - Check Hardware";
constexpr int ConnectFailedHold = 4;
const char* const FirmwareBusy = "Firmware update in progress - please wait";
// Long enough to be read before the next page's progress takes the line.
constexpr std::chrono::seconds FirmwareBusyShown{2};
const char* const FirmwareChecklist =
    "You are about to perform a firmware update on your Kelvorn Sonavire.\r\n"
    "\r\n"
    "Before continuing, please verify the following:\r\n"
    "\r\n"
    "\t1. The 'OS Update' DIP switch on Sonavire is in the ON position.\r\n"
    "\t2. A straight-through RS-232 cable os securely connected from Sonavire to your PC.\r\n"
    "\t3. Sonavire is connected to a reliable power source.\r\n"
    "\r\n"
    "When you are ready to begin, click Ok!\r\n";

QString Format(const char* pattern, const std::string& portName)
{
    return QString::fromLatin1(pattern).arg(QString::fromStdString(portName));
}

std::string UpperExtension(const QString& path)
{
    return QFileInfo(path).suffix().toUpper().toStdString();
}

void LoadPictures(CKVNBitmapButton& button, const ButtonPictures& pictures)
{
    button.LoadBitmaps(pictures.up, pictures.down, pictures.focus);
}

// Where the help page is: beside the program, or in the installed documentation.
QString HelpFilePath()
{
    const QFileInfo program(QCoreApplication::applicationFilePath());
    const QString name = program.completeBaseName() + QStringLiteral(".html");
    const QString candidates[] = {
        program.dir().filePath(name),
        program.dir().filePath(QStringLiteral("../share/doc/sonavire-panel/") + name),
    };
    for (const QString& candidate : candidates) {
        if (QFileInfo::exists(candidate))
            return QFileInfo(candidate).absoluteFilePath();
    }
    return {};
}

} // namespace

const CControlPanelDlg::ClickRoute CControlPanelDlg::ClickRoutes[] = {
    {1086, 1133, &CControlPanelDlg::OnLockButton},
    {1151, 1166, &CControlPanelDlg::OnFilterButton},
    {1167, 1167, &CControlPanelDlg::OnMinimizeButton},
    {1168, 1247, &CControlPanelDlg::OnFilterButton},
    {1248, 1248, &CControlPanelDlg::OnExitButton},
    {1249, 1249, &CControlPanelDlg::OnConfigureButton},
    {1252, 1252, &CControlPanelDlg::OnTransferButton},
    {1257, 1257, &CControlPanelDlg::OnModeButton},
    {1258, 1258, &CControlPanelDlg::OnLoadSettings},
    {1259, 1259, &CControlPanelDlg::OnSaveSettings},
    {1260, 1260, &CControlPanelDlg::OnRetrieveButton},
    {1261, 1261, &CControlPanelDlg::OnHelpButton},
};

CControlPanelDlg::CControlPanelDlg(const std::string& startupFile, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint), appIcon(SkinResources::IconPath()),
      startupFile(startupFile)
{
    shownFilter.fill(-1);
    portName = DefaultPortName;
    ReadPortPreference();
    link.Attach(this, &serialPort);
    CreateControls();
    OnInitDialog();
}

CControlPanelDlg::~CControlPanelDlg()
{
    if (rememberPort)
        WritePortPreference();
}

void CControlPanelDlg::SetPortName(const std::string& name, bool remember)
{
    portName = name;
    rememberPort = remember;
}

void CControlPanelDlg::AddMenuActions(const QList<QAction*>& actions)
{
    menuActions += actions;
}

QWidget* CControlPanelDlg::Control(int id) const
{
    const ControlEntry* entry = FindControl(id);
    return entry ? const_cast<CControlPanelDlg*>(this)->ControlFor(*entry) : nullptr;
}

QWidget* CControlPanelDlg::Control(ControlRole role, int strip, int filterType) const
{
    const ControlEntry* entry = FindControl(role, strip, filterType);
    return entry ? Control(entry->id) : nullptr;
}

int CControlPanelDlg::ControlId(const QObject* control)
{
    return control ? control->property(ControlIdProperty).toInt() : 0;
}

// ---- start-up

void CControlPanelDlg::CreateControls()
{
    setFixedSize(WindowWidth, WindowHeight);
    for (const ControlEntry& entry : MainWindowLayout()) {
        QWidget* control = ControlFor(entry);
        control->setParent(this);
        control->setProperty(ControlIdProperty, entry.id);
        const PixelRect at = ToPixels(entry.rect);
        control->setGeometry(at.x, at.y, at.width, at.height);
        control->setVisible(entry.kind != ControlClass::DragArea);
        if (auto* button = qobject_cast<CKVNBitmapButton*>(control))
            connect(button, &QAbstractButton::clicked, this,
                    [this, id = entry.id] { OnClick(id); });
    }
}

QWidget* CControlPanelDlg::ControlFor(const ControlEntry& entry)
{
    const int strip = entry.strip;
    switch (entry.role) {
    case ControlRole::FrequencyReadout:
        return &freqLabels[strip];
    case ControlRole::FrequencyKnob:
        return &freqKnobs[strip];
    case ControlRole::FrequencyLock:
        return &freqLockButtons[strip];
    case ControlRole::QKnob:
        return &qKnobs[strip];
    case ControlRole::QLock:
        return &qLockButtons[strip];
    case ControlRole::FilterButton:
        return &filterButtons[entry.filterType][strip];
    case ControlRole::FrontPanelLamp:
        return &frontPanelLamp;
    case ControlRole::GainFader:
        return &gainFaders[strip];
    case ControlRole::GainLock:
        return &gainLockButtons[strip];
    case ControlRole::GainReadout:
        return &gainLabels[strip];
    case ControlRole::StatusDisplay:
        return &statusDisplay;
    case ControlRole::HelpButton:
        return &helpButton;
    case ControlRole::LoadButton:
        return &loadButton;
    case ControlRole::SaveButton:
        return &saveButton;
    case ControlRole::ConfigureButton:
        return &configureButton;
    case ControlRole::ModeButton:
        return &modeButton;
    case ControlRole::TransferButton:
        return &transferButton;
    case ControlRole::RetrieveButton:
        return &retrieveButton;
    case ControlRole::MinimizeButton:
        return &minimizeButton;
    case ControlRole::ExitButton:
        return &exitButton;
    case ControlRole::DragArea:
        break;
    }
    return &dragArea;
}

void CControlPanelDlg::OnInitDialog()
{
    setWindowIcon(appIcon);
    background.Load(171);
    frontPanelLamp.SetBitmap(LampOff);
    for (int strip = 0; strip < StripCount; ++strip) {
        InitKnob(qKnobs[strip], WM_QKNOB_MOVED, WM_QKNOB_RELEASED, QScale, settings[strip].q);
    }
    for (int strip = 0; strip < StripCount; ++strip) {
        InitKnob(freqKnobs[strip], WM_FREQKNOB_MOVED, WM_FREQKNOB_RELEASED, FrequencyScale,
                 settings[strip].freq);
        InitReadout(freqLabels[strip], 5, 1);
        freqLabels[strip].SetText(FormatFrequencyLabel(settings[strip].freq));
    }
    for (int strip = 0; strip < StripCount; ++strip) {
        InitFader(gainFaders[strip], settings[strip].gain);
        InitReadout(gainLabels[strip], 1, 3);
        gainLabels[strip].SetText(FormatGainLabel(settings[strip].gain));
    }
    for (int channel = 0; channel < ChannelCount; ++channel) {
        LoadPictures(qLockButtons[channel], Unlocked);
        LoadPictures(freqLockButtons[channel], Unlocked);
        LoadPictures(gainLockButtons[channel], Unlocked);
    }
    for (int channel = 0; channel < ChannelCount; ++channel)
        UpdateFilterButtons(channel);
    InitFixedButtons();
    InitReadout(statusDisplay, 1, CStatusLine::Width);
    ShowStatus(WelcomeText, WelcomeHold);
    setWindowTitle(QStringLiteral("Sonavire"));
    if (!startupFile.empty())
        LoadSettingsFile(startupFile);
    InitToolTips();
    UpdateModeButtons();

    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [this] { OnHelpButton(0); });
    auto* systemMenu = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this);
    connect(systemMenu, &QShortcut::activated, this, [this] { ShowSystemMenu(pos()); });
    connect(&timer, &QTimer::timeout, this, &CControlPanelDlg::OnTimer);
    timer.start(TimerIntervalMs);
}

void CControlPanelDlg::InitKnob(CBitmapKnob& knob, unsigned int moveMsg, unsigned int releaseMsg,
                                const ValueScale& scale, double value)
{
    knob.SetNotify(this, moveMsg, releaseMsg, 0);
    knob.SetBitmap(162, CBitmapKnob::Body);
    knob.SetBitmap(165, CBitmapKnob::Cap);
    knob.SetBitmap(166, CBitmapKnob::Dot);
    knob.SetMaxValue(scale.valueAtMax);
    knob.SetMinValue(scale.valueAtMin);
    knob.SetMaxPos(scale.positions);
    knob.SetValue(value);
}

void CControlPanelDlg::InitFader(CBitmapSlider& fader, double value)
{
    fader.SetNotify(this, WM_GAINFADER_MOVED, 0, 0);
    fader.SetBitmap(198, CBitmapSlider::Channel);
    fader.SetBitmap(200, CBitmapSlider::Thumb);
    fader.SetMaxValue(GainScale.valueAtMax);
    fader.SetMinValue(GainScale.valueAtMin);
    fader.SetMaxPos(GainScale.positions);
    fader.SetValue(value);
}

void CControlPanelDlg::InitReadout(CBitmapFontStatic& readout, int lines, int columns)
{
    readout.SetColors(ReadoutBackground, ReadoutLit, ReadoutUnlit);
    readout.SetLines(lines);
    readout.SetColumns(columns);
    readout.SetFontSize(SmallFont);
}

void CControlPanelDlg::InitFixedButtons()
{
    LoadPictures(minimizeButton, {150, 176, 178});
    LoadPictures(exitButton, {173, 174, 177});
    LoadPictures(helpButton, {207, 208});
    LoadPictures(loadButton, {179, 185});
    LoadPictures(saveButton, {180, 186});
    LoadPictures(configureButton, {184, 187});
    LoadPictures(modeButton, {181, 188});
    LoadPictures(transferButton, {182, 189});
    LoadPictures(retrieveButton, RetrievePictures);
}

void CControlPanelDlg::InitToolTips()
{
    for (int channel = 0; channel < ChannelCount; ++channel) {
        gainLockButtons[channel].setToolTip(QStringLiteral("Lock to Master Gain"));
        qLockButtons[channel].setToolTip(QStringLiteral("Lock to Master Q"));
        freqLockButtons[channel].setToolTip(QStringLiteral("Lock to Master Frequency"));
    }
    helpButton.setToolTip(QStringLiteral("Help"));
    loadButton.setToolTip(QStringLiteral("Load Sonavire Settings from file"));
    saveButton.setToolTip(QStringLiteral("Save Sonavire Settings to file"));
    configureButton.setToolTip(QStringLiteral("Configure Sonavire Application"));
    exitButton.setToolTip(QStringLiteral("Exit Sonavire"));
    minimizeButton.setToolTip(QStringLiteral("Minimize Sonavire"));
}

void CControlPanelDlg::ReadPortPreference()
{
    portName = ReadRememberedPort(portName);
}

void CControlPanelDlg::WritePortPreference() const
{
    WriteRememberedPort(portName);
}

// ---- routing

bool CControlPanelDlg::event(QEvent* event)
{
    if (event->type() == CControlNotification::EventType()) {
        OnControlNotification(static_cast<const CControlNotification&>(*event));
        return true;
    }
    if (event->type() == CSerialMessageEvent::EventType()) {
        const auto& message = static_cast<const CSerialMessageEvent&>(*event);
        if (message.Message() == CSerialWnd::DefaultMessage())
            OnSerialMessage(message.WParam());
        return true;
    }
    return QDialog::event(event);
}

void CControlPanelDlg::OnControlNotification(const CControlNotification& notification)
{
    QObject* control = notification.Control();
    if (auto* knob = qobject_cast<CBitmapKnob*>(control)) {
        switch (notification.Message()) {
        case WM_QKNOB_MOVED:
            return OnQKnobMoved(*knob);
        case WM_QKNOB_RELEASED:
            return OnQKnobReleased(*knob);
        case WM_FREQKNOB_MOVED:
            return OnFreqKnobMoved(*knob);
        case WM_FREQKNOB_RELEASED:
            return OnFreqKnobReleased(*knob);
        }
    }
    auto* fader = qobject_cast<CBitmapSlider*>(control);
    if (fader && notification.Message() == WM_GAINFADER_MOVED)
        OnGainFaderMoved(*fader);
}

void CControlPanelDlg::OnClick(int id)
{
    for (const ClickRoute& route : ClickRoutes) {
        if (route.firstId <= id && id <= route.lastId)
            return (this->*route.handler)(id);
    }
}

void CControlPanelDlg::contextMenuEvent(QContextMenuEvent* event)
{
    if (event->pos().y() >= dragArea.geometry().bottom())
        return QDialog::contextMenuEvent(event);
    ShowSystemMenu(event->globalPos());
}

void CControlPanelDlg::ShowSystemMenu(const QPoint& at)
{
    QMenu menu(this);
    menu.addAction(QStringLiteral("Mi&nimize"), this, [this] { OnSysCommand(0); });
    menu.addAction(QStringLiteral("&Close"), this, [this] { OnSysCommand(1); });
    menu.addSeparator();
    menu.addAction(QStringLiteral("&About Sonavire..."), this,
                   [this] { OnSysCommand(AboutCommand); });
    if (!menuActions.isEmpty()) {
        menu.addSeparator();
        menu.addActions(menuActions);
    }
    menu.exec(at);
}

void CControlPanelDlg::OnSysCommand(int command)
{
    if ((command & 0xFFF0) == AboutCommand)
        return ShowAboutBox();
    if (command == 0)
        showMinimized();
    else
        reject();
}

void CControlPanelDlg::ShowAboutBox()
{
    CAboutDlg about(appIcon, this);
    about.exec();
}

// Qt paints the children over the window's own painting after it, the status display
// included; asking for it again from here would make every paint ask for the next.
void CControlPanelDlg::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    background.DrawTiled(painter, width(), height());
}

// ---- strips

void CControlPanelDlg::OnQKnobMoved(CBitmapKnob& knob)
{
    const int strip = ControlId(&knob) - 1000;
    if (strip == MasterStrip) {
        for (int channel = 0; channel < ChannelCount; ++channel) {
            if (!settings[channel].qLock)
                continue;
            FollowMaster(qKnobs[channel], knob);
            settings[channel].q = qKnobs[channel].GetValue();
        }
    }
    settings[strip].q = knob.GetValue();
}

void CControlPanelDlg::OnFreqKnobMoved(CBitmapKnob& knob)
{
    const int strip = ControlId(&knob) - 1034;
    if (strip == MasterStrip) {
        for (int channel = 0; channel < ChannelCount; ++channel) {
            if (!settings[channel].freqLock)
                continue;
            FollowMaster(freqKnobs[channel], knob);
            settings[channel].freq = freqKnobs[channel].GetValue();
            freqLabels[channel].SetText(FormatFrequencyLabel(settings[channel].freq));
        }
    }
    settings[strip].freq = knob.GetValue();
    freqLabels[strip].SetText(FormatFrequencyLabel(settings[strip].freq));
}

void CControlPanelDlg::OnGainFaderMoved(CBitmapSlider& fader)
{
    const int strip = ControlId(&fader) - 1068;
    if (strip == MasterStrip) {
        for (int channel = 0; channel < ChannelCount; ++channel) {
            if (!settings[channel].gainLock)
                continue;
            FollowMaster(gainFaders[channel], fader);
            settings[channel].gain = gainFaders[channel].GetValue();
            gainLabels[channel].SetText(FormatGainLabel(settings[channel].gain));
            if (link.mode == ControlMode::Live)
                link.SetGain(channel, settings[channel].gain);
        }
    }
    settings[strip].gain = fader.GetValue();
    gainLabels[strip].SetText(FormatGainLabel(settings[strip].gain));
    if (link.mode == ControlMode::Live && strip != MasterStrip)
        link.SetGain(strip, settings[strip].gain);
}

// A locked control takes the master's position, not its value: the value of most Q and gain
// positions is inexact in binary and truncates to the position below on the way back, which
// would leave the channel one step under the master on the display and on the device.
void CControlPanelDlg::FollowMaster(CSkinnedSlider& follower, const CSkinnedSlider& master)
{
    if (follower.MoveTo(master.value()))
        follower.repaint();
}

void CControlPanelDlg::OnQKnobReleased(CBitmapKnob& knob)
{
    static constexpr KnobRelease Q{"Sending Filter Q value to Sonavire...",
                                   "Filter Q Setting Complete",
                                   "Filter Q Setting Failed",
                                   &StripSettings::qLock,
                                   &StripSettings::q,
                                   &CDeviceLink::SetQ};
    SendReleasedKnob(ControlId(&knob) - 1000, Q);
}

void CControlPanelDlg::OnFreqKnobReleased(CBitmapKnob& knob)
{
    static constexpr KnobRelease Frequency{"Sending Frequency value to Sonavire...",
                                           "Frequency Setting Complete",
                                           "Frequency Setting Failed",
                                           &StripSettings::freqLock,
                                           &StripSettings::freq,
                                           &CDeviceLink::SetFrequency};
    SendReleasedKnob(ControlId(&knob) - 1034, Frequency);
}

// A channel's knob sends its own value; the master's sends the value of every channel locked
// to it and never its own.
void CControlPanelDlg::SendReleasedKnob(int strip, const KnobRelease& release)
{
    if (link.mode == ControlMode::Live)
        ShowStatus(release.sending, CStatusLine::UntilReplaced);
    // Showing the text lets waiting events run; the link may have dropped meanwhile.
    if (link.mode != ControlMode::Live)
        return;
    bool acknowledged = true;
    for (int channel = 0; channel < ChannelCount; ++channel) {
        const StripSettings& values = settings[channel];
        const bool sent = strip == MasterStrip ? values.*release.lock : channel == strip;
        if (sent)
            acknowledged = (link.*release.send)(channel, values.*release.value) && acknowledged;
    }
    if (acknowledged)
        ShowStatus(release.complete, 2);
    else
        ShowStatus(release.failed, 4);
}

void CControlPanelDlg::OnFilterButton(int id)
{
    const ControlEntry* entry = FindControl(id);
    const int channel = entry->strip;
    settings[channel].filter = static_cast<FilterType>(entry->filterType);
    UpdateFilterButtons(channel);
    if (link.mode != ControlMode::Live)
        return;
    ShowStatus("Setting Filter on Sonavire....", CStatusLine::UntilReplaced);
    if (link.SetFilterType(channel, settings[channel].filter))
        ShowStatus("Filter Setting Complete", 2);
    else
        ShowStatus("Filter Setting Failed", 4);
}

void CControlPanelDlg::OnLockButton(int id)
{
    const ControlEntry* entry = FindControl(id);
    StripSettings& strip = settings[entry->strip];
    bool& lock = entry->role == ControlRole::FrequencyLock ? strip.freqLock
                 : entry->role == ControlRole::QLock       ? strip.qLock
                                                           : strip.gainLock;
    lock = !lock;
    UpdateLockButtons(entry->strip);
}

void CControlPanelDlg::UpdateLockButtons(int channel)
{
    const StripSettings& strip = settings[channel];
    CKVNBitmapButton* buttons[] = {&gainLockButtons[channel], &freqLockButtons[channel],
                                   &qLockButtons[channel]};
    const bool locks[] = {strip.gainLock, strip.freqLock, strip.qLock};
    for (int i = 0; i < 3; ++i)
        LoadPictures(*buttons[i], locks[i] ? Locked : Unlocked);
    for (CKVNBitmapButton* button : buttons)
        button->repaint();
}

void CControlPanelDlg::UpdateFilterButtons(int channel)
{
    const int filter = static_cast<int>(settings[channel].filter);
    if (shownFilter[channel] == filter)
        return;
    for (int type = 0; type < FilterTypeCount; ++type) {
        const FilterKeyPictures& pictures = FilterKeys[type];
        LoadPictures(filterButtons[type][channel],
                     type == filter ? pictures.selected : pictures.unselected);
    }
    for (auto& row : filterButtons)
        row[channel].repaint();
    shownFilter[channel] = filter;
}

void CControlPanelDlg::UpdateStripControls(bool gainsOnly)
{
    for (int strip = 0; strip < StripCount; ++strip) {
        const StripSettings& values = settings[strip];
        if (!gainsOnly) {
            qKnobs[strip].SetValue(values.q);
            freqKnobs[strip].SetValue(values.freq);
            freqLabels[strip].SetText(FormatFrequencyLabel(values.freq));
            if (strip < ChannelCount)
                UpdateFilterButtons(strip);
        }
        gainFaders[strip].SetValue(values.gain);
        gainFaders[strip].SetLocked(!link.frontPanelLocked);
        gainLabels[strip].SetText(FormatGainLabel(values.gain));
    }
    frontPanelLamp.SetBitmap(link.frontPanelLocked ? LampOff : LampOn);
}

void CControlPanelDlg::SetFaderLocks(bool frontPanelLocked)
{
    for (CBitmapSlider& fader : gainFaders)
        fader.SetLocked(!frontPanelLocked);
    frontPanelLamp.SetBitmap(frontPanelLocked ? LampOff : LampOn);
}

// ---- status line

void CControlPanelDlg::ShowStatus(const std::string& text, int hold)
{
    const std::optional<std::string> shown = statusLine.Show(text, hold);
    if (!shown)
        return;
    statusDisplay.SetText(*shown);
    QCoreApplication::processEvents();
}

void CControlPanelDlg::UpdateStatusLine()
{
    if (const std::optional<std::string> text = statusLine.Tick(link))
        ShowStatus(*text, 0);
}

// ---- connection and transfer

void CControlPanelDlg::UpdateModeButtons()
{
    const int mode = static_cast<int>(link.mode);
    if (mode >= 0 && mode < static_cast<int>(std::size(ModeLooks))) {
        const ModeButtonLook& look = ModeLooks[mode];
        LoadPictures(modeButton, look.mode);
        LoadPictures(transferButton, look.transfer);
        if (look.retrieveShown)
            LoadPictures(retrieveButton, RetrievePictures);
        for (CKVNBitmapButton* button : {&modeButton, &transferButton, &retrieveButton})
            button->repaint();
        transferButton.show();
        retrieveButton.setVisible(look.retrieveShown);
        modeButton.setToolTip(QString::fromLatin1(look.modeTip));
        transferButton.setToolTip(QString::fromLatin1(look.transferTip));
        retrieveButton.setToolTip(look.retrieveShown ? QString::fromLatin1(RetrieveTip)
                                                     : QString());
    }
    shownMode = link.mode;
    update();
}

bool CControlPanelDlg::ConnectWithStatus()
{
    ShowStatus(Format("Connecting to Sonavire on %1....", portName).toStdString(),
               CStatusLine::UntilReplaced);
    if (link.Connect(portName))
        return true;
    ShowStatus(ConnectFailed, ConnectFailedHold);
    return false;
}

void CControlPanelDlg::ReadAllSettings(const char* retrievingText, int retrievedHold)
{
    ShowStatus(retrievingText, CStatusLine::UntilReplaced);
    link.QueryFrontPanel();
    link.ReadGains(settings);
    link.ReadFilterTypes(settings);
    link.ReadFrequencies(settings);
    link.ReadQs(settings);
    UpdateStripControls(false);
    ShowStatus("Settings Retrieved", retrievedHold);
}

void CControlPanelDlg::DisconnectAndUnlock()
{
    link.Disconnect();
    SetFaderLocks(true);
    UpdateModeButtons();
}

void CControlPanelDlg::OnModeButton(int)
{
    if (link.mode != ControlMode::Offline) {
        DisconnectAndUnlock();
        return;
    }
    if (ConnectWithStatus()) {
        ShowStatus(Format("Connected to Sonavire on %1!", portName).toStdString(), 2);
        link.QueryMode();
        if (link.mode == ControlMode::Live)
            ReadAllSettings("Retrieving Current Settings from Sonavire....", 1);
        else if (link.mode == ControlMode::Offline)
            AbandonUnansweredConnect();
    }
    UpdateModeButtons();
}

// A device that named itself but gave no usable mode is not connected: the port would
// otherwise stay open behind an offline panel, and the greeting would be the last word.
void CControlPanelDlg::AbandonUnansweredConnect()
{
    link.Disconnect();
    ShowStatus(ConnectFailed, ConnectFailedHold);
}

void CControlPanelDlg::OnRetrieveButton(int)
{
    if (link.mode != ControlMode::Offline || !ConnectWithStatus())
        return;
    link.QueryMode();
    if (link.mode == ControlMode::Live)
        ReadAllSettings("Retrieving settings from Sonavire....", 2);
    else if (link.mode == ControlMode::FirmwareUpdate)
        ShowStatus("Unable retrieve settings - Sonavire is in OS Update mode", 5);
    else
        ShowStatus("Unable retrieve settings", 5);
    // The panel stays offline, where the faders are the operator's whatever the device's
    // front panel said during the read.
    DisconnectAndUnlock();
}

int CControlPanelDlg::DownloadChannels()
{
    int failures = 0;
    for (int channel = 0; channel < ChannelCount; ++channel) {
        const StripSettings& strip = settings[channel];
        if (!link.SetChannel(channel, strip.filter, strip.freq, strip.q, strip.gain))
            ++failures;
    }
    return failures;
}

void CControlPanelDlg::DownloadAndStore()
{
    if (!ConnectWithStatus())
        return;
    ShowStatus("Downloading Settings to Sonavire...", CStatusLine::UntilReplaced);
    int failures = DownloadChannels();
    ShowStatus("Storing settings permanently on Sonavire...", 5);
    if (!link.StoreSettings())
        ++failures;
    if (failures == 0)
        ShowStatus("Settings downloaded and stored Successfully!", 2);
    else
        ShowStatus(DownloadFailed, 5);
    link.Disconnect();
}

void CControlPanelDlg::OnTransferButton(int)
{
    switch (link.mode) {
    case ControlMode::Offline:
        return DownloadAndStore();
    case ControlMode::Live:
        ShowStatus("Storing settings permanently on Sonavire...", 5);
        if (link.StoreSettings())
            ShowStatus("Settings stored successfully!", 2);
        else
            ShowStatus("Store Failed! Check connection and try again.", 5);
        return;
    case ControlMode::FirmwareUpdate:
        UpdateFirmware();
        return;
    }
}

void CControlPanelDlg::OnConfigureButton(int)
{
    CConfigDlg dialog(this);
    dialog.portName = portName;
    dialog.connected = link.mode != ControlMode::Offline;
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (dialog.portName != portName && link.mode != ControlMode::Offline)
        DisconnectAndUnlock();
    portName = dialog.portName;
}

void CControlPanelDlg::OnTimer()
{
    if (link.programming) {
        // The device asks for pages at its own pace; only its silence ends the wait.
        link.CheckFirmwareResponse(std::chrono::steady_clock::now());
        ShowProgress();
        return;
    }
    // The buttons show another mode only when a send or a store that went unanswered has
    // dropped the line since: every other change of mode updates them at once. That
    // handler has said what failed, so its text stays.
    if (link.mode != shownMode) {
        if (link.mode == ControlMode::Offline)
            ShowOffline();
        else
            UpdateModeButtons();
    }
    UpdateStatusLine();
    if (link.mode != ControlMode::Offline) {
        if (link.QueryMode() && link.mode != ControlMode::Offline)
            UpdateModeButtons();
        if (link.mode == ControlMode::Live)
            PollLiveDevice();
        // Any of the poll's queries may have dropped the line, not only the mode query.
        if (link.mode == ControlMode::Offline) {
            ShowOffline();
            ShowStatus("Lost Connection with Sonavire", 4);
        }
    }
}

void CControlPanelDlg::PollLiveDevice()
{
    link.QueryVersion();
    if (link.QueryFrontPanel())
        UpdateStripControls(false);
    if (!link.frontPanelLocked && link.ReadGains(settings))
        UpdateStripControls(true);
}

// After a drop: the faders are the operator's again and the lamp goes out.
void CControlPanelDlg::ShowOffline()
{
    UpdateModeButtons();
    SetFaderLocks(link.frontPanelLocked);
}

void CControlPanelDlg::OnSerialMessage(std::uintptr_t event)
{
    link.OnSerialEvent(event);
    ShowProgress();
}

void CControlPanelDlg::ShowProgress()
{
    if (link.progressText.empty())
        return;
    // The transfer's last word is never held back; a page's percentage can wait.
    if (link.programming && std::chrono::steady_clock::now() < firmwareBusyShownUntil)
        return;
    ShowStatus(link.progressText, 2);
    link.progressText.clear();
}

// ---- files

bool CControlPanelDlg::LoadSettingsFile(const std::string& path)
{
    std::error_code error;
    if (!std::filesystem::exists(path, error))
        return false;
    PanelSettings loaded = settings;
    std::string reason;
    const SettingsReadResult result = ReadSettingsFile(path, loaded, reason);
    if (result == SettingsReadResult::NotFound)
        return false;
    if (result == SettingsReadResult::Unreadable) {
        ShowError(QStringLiteral("The settings file %1 could not be read: %2")
                      .arg(QString::fromStdString(path), QString::fromStdString(reason)));
        return true;
    }
    ShowStatus("Loading Settings from File....", CStatusLine::UntilReplaced);
    for (int strip = 0; strip < StripCount; ++strip) {
        StripSettings& values = settings[strip];
        values.freq = loaded[strip].freq;
        values.q = loaded[strip].q;
        values.gain = loaded[strip].gain;
        freqKnobs[strip].SetValue(values.freq);
        freqLabels[strip].SetText(FormatFrequencyLabel(values.freq));
        qKnobs[strip].SetValue(values.q);
        gainFaders[strip].SetValue(values.gain);
        gainLabels[strip].SetText(FormatGainLabel(values.gain));
        if (strip < ChannelCount) {
            values = loaded[strip];
            UpdateFilterButtons(strip);
            UpdateLockButtons(strip);
        }
    }
    ShowStatus("Settings Loaded", 3);
    if (link.mode == ControlMode::Live) {
        ShowStatus("Downloading Settings to Sonavire...", CStatusLine::UntilReplaced);
        if (DownloadChannels() == 0)
            ShowStatus("Settings Downloaded Successfully!", 2);
        else
            ShowStatus(DownloadFailed, 5);
    }
    return true;
}

void CControlPanelDlg::OnLoadSettings(int)
{
    const QString path =
        QFileDialog::getOpenFileName(this, QStringLiteral("Load Sonavire Configuration File"),
                                     QString(), QString::fromLatin1(SettingsFileFilter));
    if (path.isEmpty())
        return;
    if (!HasSettingsExtension(path.toStdString()))
        return ShowError(QString::fromLatin1(InvalidSettingsFile));
    LoadSettingsFile(path.toStdString());
}

void CControlPanelDlg::OnSaveSettings(int)
{
    const QString chosen =
        QFileDialog::getSaveFileName(this, QStringLiteral("Save Sonavire Configuration"), QString(),
                                     QString::fromLatin1(SettingsFileFilter));
    if (chosen.isEmpty())
        return;
    const std::optional<std::string> path = SettingsSavePath(chosen.toStdString());
    if (!path)
        return ShowError(QString::fromLatin1(InvalidSettingsFile));
    const char* savingText = "Saving Settings to File....";
    ShowStatus(savingText, CStatusLine::UntilReplaced);
    std::string reason;
    if (WriteSettingsFile(*path, settings, reason))
        return ShowStatus("Settings Saved", 3);
    ShowError(QStringLiteral("The settings could not be saved to %1: %2")
                  .arg(QString::fromStdString(*path), QString::fromStdString(reason)));
    // Let the rotation take the line back instead of "Saving" standing for ever.
    ShowStatus(savingText, 0);
}

bool CControlPanelDlg::UpdateFirmware()
{
    const QString path =
        QFileDialog::getOpenFileName(this, QStringLiteral("Select Sonavire Flash Image File"),
                                     QString(), QStringLiteral("HEX Files(*.hex)"));
    if (path.isEmpty())
        return false;
    if (UpperExtension(path) != "HEX") {
        ShowError(QStringLiteral("This is not a valid hex file!"));
        return false;
    }
    const QMessageBox::StandardButton answer =
        QMessageBox::question(this, QStringLiteral("Update Sonavire OS"),
                              QString::fromLatin1(FirmwareChecklist)
                                  .replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
                              QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok);
    if (answer != QMessageBox::Ok)
        return false;
    link.StartFirmwareUpdate(path.toStdString());
    if (!link.programming) {
        ShowFirmwareFileError(path);
        return false;
    }
    return true;
}

// A file that cannot even be read is told apart, so that a FIFO or a device is not called a
// bad HEX file; for a HEX file the reader's own words say which line is wrong and how.
void CControlPanelDlg::ShowFirmwareFileError(const QString& path)
{
    std::string reason;
    const int fd = OpenRegularFileForReading(path.toStdString(), reason);
    if (fd >= 0)
        ::close(fd);
    const QString name = QFileInfo(path).fileName();
    if (fd < 0)
        return ShowError(
            QStringLiteral("%1 could not be read: %2").arg(name, QString::fromStdString(reason)));
    const QString readerSays = QString::fromStdString(link.FirmwareFileFailure()).trimmed();
    if (readerSays.isEmpty())
        return ShowError(QStringLiteral("%1 holds no firmware image: it is not a valid Intel HEX "
                                        "file or has no data.")
                             .arg(name));
    ShowError(QStringLiteral("%1 holds no firmware image:\n%2").arg(name, readerSays));
}

// ---- chrome

void CControlPanelDlg::OnHelpButton(int)
{
    const QString path = HelpFilePath();
    if (path.isEmpty() || !QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        ShowError(QStringLiteral("Failed to launch help."));
}

void CControlPanelDlg::OnMinimizeButton(int)
{
    showMinimized();
}

void CControlPanelDlg::OnExitButton(int)
{
    if (!RefuseWhileFirmwareIsSent())
        accept();
}

// Esc and the window manager's close both come here.
void CControlPanelDlg::reject()
{
    if (!RefuseWhileFirmwareIsSent())
        QDialog::reject();
}

// A half-written image can leave the device unable to start, so nothing ends the program while
// one is being sent.
bool CControlPanelDlg::RefuseWhileFirmwareIsSent()
{
    if (!link.programming)
        return false;
    firmwareBusyShownUntil = std::chrono::steady_clock::now() + FirmwareBusyShown;
    ShowStatus(FirmwareBusy, CStatusLine::UntilReplaced);
    return true;
}

void CControlPanelDlg::ShowError(const QString& text)
{
    QMessageBox::critical(this, QStringLiteral("Error"), text);
}
