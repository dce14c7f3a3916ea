#pragma once

#include <QDialog>
#include <QIcon>
#include <QTimer>

#include <array>
#include <chrono>
#include <string>

#include "controls/bitmap_font_static.h"
#include "controls/bitmap_knob.h"
#include "controls/bitmap_slider.h"
#include "controls/control_notification.h"
#include "controls/kvn_bitmap_button.h"
#include "controls/masked_bitmap.h"
#include "controls/trans_bitmap.h"
#include "device/device_link.h"
#include "model/strip_settings.h"
#include "model/value_scale.h"
#include "panel/control_layout.h"
#include "panel/panel_message_target.h"
#include "panel/status_line.h"
#include "panel/window_drag.h"
#include "serial/serial_panel_wnd.h"

// The panel: a borderless window whose face is one picture with the skinned controls of the
// sixteen channel strips and the master on it. It owns the strip model, the device link and
// every control for its whole life, routes every user action to its handler, and tells the
// operator what happens on the one-line status display.
class CControlPanelDlg : public QDialog, public IMessageWindow
{
    Q_OBJECT

public:
    // The knobs' and faders' notifications, as numbers past the application's first message.
    enum Notification : unsigned int
    {
        WM_QKNOB_MOVED = AppMessage + 10,
        WM_QKNOB_RELEASED = AppMessage + 11,
        WM_FREQKNOB_MOVED = AppMessage + 12,
        WM_FREQKNOB_RELEASED = AppMessage + 13,
        WM_GAINFADER_MOVED = AppMessage + 14,
    };

    static constexpr int AboutCommand = 0x10;
    static constexpr int WelcomeHold = 5;

    // startupFile: the settings file named when the program was started, loaded before the
    // first tick; empty for none.
    explicit CControlPanelDlg(const std::string& startupFile = {}, QWidget* parent = nullptr);
    ~CControlPanelDlg() override;

    // The port chosen for this run; remembered at exit like a choice in the port dialog
    // unless remember is false (a demonstration device's port is gone after the run).
    void SetPortName(const std::string& name, bool remember = true);

    // Items the window menu shows after the About item (the demonstration device's switches).
    void AddMenuActions(const QList<QAction*>& actions);

    IMessageTarget* MessageTarget() override { return &messageTarget; }

    void ShowStatus(const std::string& text, int hold);
    void UpdateStatusLine();
    void UpdateModeButtons();
    void UpdateStripControls(bool gainsOnly);
    void UpdateLockButtons(int channel);
    void UpdateFilterButtons(int channel);
    bool LoadSettingsFile(const std::string& path);
    bool UpdateFirmware();
    // The handler of the one-second timer.
    void OnTimer();
    // Refused while a firmware image is being sent.
    void reject() override;

    // What the operator sees and what the panel holds, for the tests and the help pictures.
    const PanelSettings& Settings() const { return settings; }
    const std::string& PortName() const { return portName; }
    const std::string& StatusText() const { return statusLine.Text(); }
    CDeviceLink& Link() { return link; }
    QWidget* Control(int id) const;
    // The control of a role on a strip (strip -1 for the single controls, filterType for a
    // filter button), nullptr for none: how tests, the bench and the picture tool find one.
    QWidget* Control(ControlRole role, int strip = -1, int filterType = -1) const;
    // The id a control was created under, 0 for none.
    static int ControlId(const QObject* control);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    using ClickHandler = void (CControlPanelDlg::*)(int id);
    struct ClickRoute
    {
        int firstId;
        int lastId;
        ClickHandler handler;
    };
    static const ClickRoute ClickRoutes[];

    // What a knob's release sends and shows.
    struct KnobRelease
    {
        const char* sending;
        const char* complete;
        const char* failed;
        bool StripSettings::*lock;
        double StripSettings::*value;
        bool (CDeviceLink::*send)(int index, double value);
    };

    // Start-up.
    void CreateControls();
    QWidget* ControlFor(const ControlEntry& entry);
    void OnInitDialog();
    void InitKnob(CBitmapKnob& knob, unsigned int moveMsg, unsigned int releaseMsg,
                  const ValueScale& scale, double value);
    void InitFader(CBitmapSlider& fader, double value);
    void InitReadout(CBitmapFontStatic& readout, int lines, int columns);
    void InitFixedButtons();
    void InitToolTips();
    void ReadPortPreference();
    void WritePortPreference() const;

    // Routing.
    void OnControlNotification(const CControlNotification& notification);
    void OnClick(int id);
    void OnSysCommand(int command);
    void ShowSystemMenu(const QPoint& at);

    // Strips.
    void OnQKnobMoved(CBitmapKnob& knob);
    void OnQKnobReleased(CBitmapKnob& knob);
    void OnFreqKnobMoved(CBitmapKnob& knob);
    void OnFreqKnobReleased(CBitmapKnob& knob);
    void SendReleasedKnob(int strip, const KnobRelease& release);
    void FollowMaster(CSkinnedSlider& follower, const CSkinnedSlider& master);
    void OnGainFaderMoved(CBitmapSlider& fader);
    void OnLockButton(int id);
    void OnFilterButton(int id);
    void SetFaderLocks(bool frontPanelLocked);

    // Connection, transfer and files.
    void OnModeButton(int id);
    void OnTransferButton(int id);
    void OnRetrieveButton(int id);
    void OnConfigureButton(int id);
    void OnLoadSettings(int id);
    void OnSaveSettings(int id);
    void OnSerialMessage(std::uintptr_t event);
    bool ConnectWithStatus();
    void AbandonUnansweredConnect();
    void ReadAllSettings(const char* retrievingText, int retrievedHold);
    void DownloadAndStore();
    int DownloadChannels();
    void DisconnectAndUnlock();
    void ShowProgress();
    void PollLiveDevice();
    void ShowOffline();

    // Chrome.
    void OnHelpButton(int id);
    void OnMinimizeButton(int id);
    void OnExitButton(int id);
    bool RefuseWhileFirmwareIsSent();
    void ShowAboutBox();
    void ShowError(const QString& text);
    void ShowFirmwareFileError(const QString& path);

    QIcon appIcon;
    CMaskedBitmap background;
    // Declared before the port so that it outlives the listener thread that posts to it.
    CPanelMessageTarget messageTarget{this};
    CSerialPanelWnd serialPort;
    CDeviceLink link;
    std::array<CBitmapKnob, StripCount> qKnobs;
    std::array<CBitmapKnob, StripCount> freqKnobs;
    std::array<CBitmapFontStatic, StripCount> freqLabels;
    std::array<CBitmapSlider, StripCount> gainFaders;
    std::array<CBitmapFontStatic, StripCount> gainLabels;
    PanelSettings settings;
    std::array<CKVNBitmapButton, ChannelCount> gainLockButtons;
    std::array<CKVNBitmapButton, ChannelCount> freqLockButtons;
    std::array<CKVNBitmapButton, ChannelCount> qLockButtons;
    std::array<int, ChannelCount> shownFilter;
    std::array<std::array<CKVNBitmapButton, ChannelCount>, FilterTypeCount> filterButtons;
    CKVNBitmapButton minimizeButton;
    CKVNBitmapButton exitButton;
    CKVNBitmapButton helpButton;
    CKVNBitmapButton loadButton;
    CKVNBitmapButton saveButton;
    CKVNBitmapButton configureButton;
    CKVNBitmapButton modeButton;
    CKVNBitmapButton transferButton;
    CKVNBitmapButton retrieveButton;
    CTransBitmap frontPanelLamp;
    CBitmapFontStatic statusDisplay;
    QWidget dragArea;
    CStatusLine statusLine;
    std::string portName;
    ControlMode shownMode = ControlMode::Offline; // the mode the buttons show
    // Until then the refusal to quit during a firmware transfer keeps the status line.
    std::chrono::steady_clock::time_point firmwareBusyShownUntil;
    bool rememberPort = true;
    QList<QAction*> menuActions;
    std::string startupFile;
    CWindowDrag windowDrag{this, &dragArea};
    // A child, so that a test can find the panel's one clock and tick it by hand.
    QTimer timer{this};
};
