#include "panel/control_panel_dlg.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QShortcut>
#include <QUrl>

#include "controls/control_notification.h"
#include "panel/about_dlg.h"
#include "panel/accessible_factory.h"
#include "panel/button_pictures.h"
#include "panel/control_layout.h"
#include "resources/bitmap_ids.h"
#include "resources/skin_resources.h"
#include "storage/port_preference.h"

namespace {

constexpr int TimerIntervalMs = 1000;
constexpr int SmallFont = 2;
constexpr const char* ControlIdProperty = "controlId";

// The read-outs' colours: black ground, pale dots lit, dark blue dots unlit.
const QColor ReadoutBackground(0, 0, 0);
const QColor ReadoutLit(0xEF, 0xF3, 0xF5);
const QColor ReadoutUnlit(0x17, 0x40, 0x67);

const char* const WelcomeText = "Welcome! Click '?' button or press F1 for help.";
constexpr int WelcomeHold = 5;
// The window menu's commands, numbered as the system menu numbers them.
constexpr int MinimizeCommand = 0;
constexpr int CloseCommand = 1;
constexpr int AboutCommand = 0x10;

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

using ClickHandler = void (CControlPanelDlg::*)(const ControlEntry& entry);

} // namespace

CControlPanelDlg::CControlPanelDlg(const std::string& startupFile, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint), appIcon(SkinResources::IconPath()),
      startupFile(startupFile)
{
    portName = ReadRememberedPort(DefaultPortName);
    link.Attach(this, &serialPort);
    CreateControls();
    BindStrips();
    OnInitDialog();
    MakeAccessible(*this);
}

CControlPanelDlg::~CControlPanelDlg()
{
    if (rememberPort)
        WriteRememberedPort(portName);
    responseView.RememberPlacement();
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
            connect(button, &QAbstractButton::clicked, this, [this, &entry] { OnClick(entry); });
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

void CControlPanelDlg::BindStrips()
{
    for (int strip = 0; strip < StripCount; ++strip) {
        StripControls controls{&freqKnobs[strip], &freqLabels[strip], &qKnobs[strip],
                               &gainFaders[strip], &gainLabels[strip]};
        if (strip < ChannelCount) {
            controls.freqLock = &freqLockButtons[strip];
            controls.qLock = &qLockButtons[strip];
            controls.gainLock = &gainLockButtons[strip];
            for (int type = 0; type < FilterTypeCount; ++type)
                controls.filterKeys[type] = &filterButtons[type][strip];
        }
        strips[strip] = CStripView(controls);
    }
}

void CControlPanelDlg::OnInitDialog()
{
    setWindowIcon(appIcon);
    background.Load(BitmapId::Background);
    frontPanelLamp.SetBitmap(BitmapId::LampOff);
    for (int strip = 0; strip < StripCount; ++strip) {
        InitKnob(qKnobs[strip], WM_QKNOB_MOVED, WM_QKNOB_RELEASED, QScale);
        InitKnob(freqKnobs[strip], WM_FREQKNOB_MOVED, WM_FREQKNOB_RELEASED, FrequencyScale);
        InitReadout(freqLabels[strip], 5, 1);
        InitFader(gainFaders[strip]);
        InitReadout(gainLabels[strip], 1, 3);
        strips[strip].Show(settings[strip]);
    }
    InitFixedButtons();
    InitReadout(statusDisplay, 1, CStatusLine::Width);
    ShowStatus(WelcomeText, WelcomeHold);
    setWindowTitle(QStringLiteral("Sonavire"));
    if (!startupFile.empty())
        LoadSettingsFile(startupFile);
    InitHistory();
    InitToolTips();
    UpdateModeButtons();

    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this,
            [this] { OnHelpButton(*FindControl(ControlRole::HelpButton)); });
    auto* systemMenu = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this);
    connect(systemMenu, &QShortcut::activated, this, [this] { ShowSystemMenu(pos()); });
    autoReconnect.setCheckable(true);
    autoReconnect.setChecked(ReadAutoReconnect());
    connect(&autoReconnect, &QAction::toggled, this, [](bool on) { WriteAutoReconnect(on); });
    addAction(&responseView.ToggleAction());
    responseView.Follow(settings);
    connect(&compareAction, &QAction::triggered, this, &CControlPanelDlg::OnCompareWithFile);
    connect(&timer, &QTimer::timeout, this, &CControlPanelDlg::OnTimer);
    timer.start(TimerIntervalMs);
}

void CControlPanelDlg::InitKnob(CBitmapKnob& knob, unsigned int moveMsg, unsigned int releaseMsg,
                                const ValueScale& scale)
{
    knob.SetNotify(this, moveMsg, releaseMsg, 0);
    knob.SetBitmap(BitmapId::KnobBody, CBitmapKnob::Body);
    knob.SetBitmap(BitmapId::KnobCap, CBitmapKnob::Cap);
    knob.SetBitmap(BitmapId::KnobDot, CBitmapKnob::Dot);
    knob.SetScale(scale);
}

void CControlPanelDlg::InitFader(CBitmapSlider& fader)
{
    fader.SetNotify(this, WM_GAINFADER_MOVED, WM_GAINFADER_RELEASED, 0);
    fader.SetBitmap(BitmapId::FaderChannel, CBitmapSlider::Channel);
    fader.SetBitmap(BitmapId::FaderThumb, CBitmapSlider::Thumb);
    fader.SetScale(GainScale);
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
    using namespace BitmapId;
    LoadPictures(minimizeButton, {MinimizeUp, MinimizeDown, MinimizeFocus});
    LoadPictures(exitButton, {ExitUp, ExitDown, ExitFocus});
    LoadPictures(helpButton, {HelpUp, HelpDown});
    LoadPictures(loadButton, {LoadUp, LoadDown});
    LoadPictures(saveButton, {SaveUp, SaveDown});
    LoadPictures(configureButton, {ConfigureUp, ConfigureDown});
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
        else if (message.Message() == CDeviceLink::StateMessage())
            OnLinkStateChanged(static_cast<CDeviceLink::ModeChange>(message.LParam()));
        return true;
    }
    return QDialog::event(event);
}

void CControlPanelDlg::OnControlNotification(const CControlNotification& notification)
{
    struct Route
    {
        unsigned int message;
        void (CControlPanelDlg::*handler)(int strip, StripValue which);
        StripValue which;
    };
    static constexpr Route Routes[] = {
        {WM_QKNOB_MOVED, &CControlPanelDlg::OnStripValueMoved, StripValue::Q},
        {WM_QKNOB_RELEASED, &CControlPanelDlg::OnKnobReleased, StripValue::Q},
        {WM_FREQKNOB_MOVED, &CControlPanelDlg::OnStripValueMoved, StripValue::Frequency},
        {WM_FREQKNOB_RELEASED, &CControlPanelDlg::OnKnobReleased, StripValue::Frequency},
        {WM_GAINFADER_MOVED, &CControlPanelDlg::OnStripValueMoved, StripValue::Gain},
        {WM_GAINFADER_RELEASED, &CControlPanelDlg::OnFaderReleased, StripValue::Gain},
    };
    const ControlEntry* entry = FindControl(ControlId(notification.Control()));
    if (!entry || entry->strip < 0)
        return;
    for (const Route& route : Routes) {
        if (route.message == notification.Message())
            return (this->*route.handler)(entry->strip, route.which);
    }
}

void CControlPanelDlg::OnClick(const ControlEntry& entry)
{
    struct Route
    {
        ControlRole role;
        ClickHandler handler;
    };
    static constexpr Route Routes[] = {
        {ControlRole::FrequencyLock, &CControlPanelDlg::OnLockButton},
        {ControlRole::QLock, &CControlPanelDlg::OnLockButton},
        {ControlRole::GainLock, &CControlPanelDlg::OnLockButton},
        {ControlRole::FilterButton, &CControlPanelDlg::OnFilterButton},
        {ControlRole::MinimizeButton, &CControlPanelDlg::OnMinimizeButton},
        {ControlRole::ExitButton, &CControlPanelDlg::OnExitButton},
        {ControlRole::ConfigureButton, &CControlPanelDlg::OnConfigureButton},
        {ControlRole::TransferButton, &CControlPanelDlg::OnTransferButton},
        {ControlRole::ModeButton, &CControlPanelDlg::OnModeButton},
        {ControlRole::LoadButton, &CControlPanelDlg::OnLoadSettings},
        {ControlRole::SaveButton, &CControlPanelDlg::OnSaveSettings},
        {ControlRole::RetrieveButton, &CControlPanelDlg::OnRetrieveButton},
        {ControlRole::HelpButton, &CControlPanelDlg::OnHelpButton},
    };
    for (const Route& route : Routes) {
        if (route.role == entry.role)
            return (this->*route.handler)(entry);
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
    menu.addAction(QStringLiteral("Mi&nimize"), this, [this] { OnSysCommand(MinimizeCommand); });
    menu.addAction(QStringLiteral("&Close"), this, [this] { OnSysCommand(CloseCommand); });
    menu.addSeparator();
    menu.addAction(QStringLiteral("&About Sonavire..."), this,
                   [this] { OnSysCommand(AboutCommand); });
    menu.addSeparator();
    menu.addAction(&autoReconnect);
    menu.addAction(&remote.MenuAction());
    menu.addAction(&responseView.ToggleAction());
    menu.addAction(&compareAction);
    menu.addSeparator();
    menu.addAction(undoAction);
    menu.addAction(redoAction);
    AddRecentFilesMenu(menu);
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
    if (command == MinimizeCommand)
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
    if (const std::optional<std::string> text = statusLine.Tick(link, HasUnsavedChanges()))
        ShowStatus(*text, 0);
}

// ---- chrome

void CControlPanelDlg::OnHelpButton(const ControlEntry&)
{
    const QString path = HelpFilePath();
    if (path.isEmpty() || !QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        ShowError(QStringLiteral("Failed to launch help."));
}

void CControlPanelDlg::OnMinimizeButton(const ControlEntry&)
{
    showMinimized();
}

void CControlPanelDlg::OnExitButton(const ControlEntry&)
{
    if (!RefuseWhileFirmwareIsSent() && ConfirmClose())
        accept();
}

// Esc and the window manager's close both come here.
void CControlPanelDlg::reject()
{
    if (!RefuseWhileFirmwareIsSent() && ConfirmClose())
        QDialog::reject();
}

void CControlPanelDlg::ShowError(const QString& text)
{
    QMessageBox::critical(this, QStringLiteral("Error"), text);
}
