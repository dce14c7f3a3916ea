#pragma once

#include <QAction>
#include <QDialog>
#include <QIcon>
#include <QTimer>

#include <array>
#include <chrono>
#include <optional>
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
#include "panel/edit_history.h"
#include "panel/panel_message_target.h"
#include "panel/panel_remote_control.h"
#include "panel/port_return_watch.h"
#include "panel/response_view.h"
#include "panel/status_line.h"
#include "panel/strip_view.h"
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
        WM_GAINFADER_RELEASED = AppMessage + 15,
    };

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
    bool LoadSettingsFile(const std::string& path);
    // The handler of the one-second timer.
    void OnTimer();
    // Refused while a firmware image is being sent; asks first when edits would be lost.
    void reject() override;
    // Whether the settings hold edits that would be lost on closing: offline, edits never saved
    // to a file; live, edits never stored in the device.
    bool HasUnsavedChanges() const;
    QUndoStack& History() { return history.Stack(); }
    // The settings files loaded or saved last, newest first.
    QStringList RecentFiles() const;

    // What the operator sees and what the panel holds, for the tests and the help pictures.
    const PanelSettings& Settings() const { return settings; }
    const std::string& PortName() const { return portName; }
    const std::string& StatusText() const { return statusLine.Text(); }
    CDeviceLink& Link() { return link; }
    CPanelRemoteControl& RemoteControl() { return remote; }
    CResponseView& ResponseView() { return responseView; }
    QAction& CompareAction() { return compareAction; }
    QWidget* Control(int id) const;
    // The control of a role on a strip (strip -1 for the single controls, filterType for a
    // filter button), nullptr for none: how tests, the bench and the picture tool find one.
    QWidget* Control(ControlRole role, int strip = -1, int filterType = -1) const;
    // The id a control was created under, 0 for none.
    static int ControlId(const QObject* control);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // Creation, routing and chrome (control_panel_dlg.cpp).
    void CreateControls();
    QWidget* ControlFor(const ControlEntry& entry);
    void BindStrips();
    void OnInitDialog();
    void InitKnob(CBitmapKnob& knob, unsigned int moveMsg, unsigned int releaseMsg,
                  const ValueScale& scale);
    void InitFader(CBitmapSlider& fader);
    void InitReadout(CBitmapFontStatic& readout, int lines, int columns);
    void InitFixedButtons();
    void InitToolTips();
    void OnControlNotification(const CControlNotification& notification);
    void OnClick(const ControlEntry& entry);
    void OnSysCommand(int command);
    void ShowSystemMenu(const QPoint& at);
    void UpdateStatusLine();
    void OnHelpButton(const ControlEntry& entry);
    void OnMinimizeButton(const ControlEntry& entry);
    void OnExitButton(const ControlEntry& entry);
    void ShowAboutBox();
    void ShowError(const QString& text);

    // Strip editing (control_panel_dlg_strips.cpp).
    void OnStripValueMoved(int strip, StripValue which);
    void OnKnobReleased(int strip, StripValue which);
    void OnLockButton(const ControlEntry& entry);
    void OnFilterButton(const ControlEntry& entry);
    void ShowAllStrips();
    void ShowGains();
    void SetFaderLocks(bool frontPanelLocked);
    void AnnounceSettings();

    // Connection, transfer and firmware (control_panel_dlg_link.cpp).
    void OnModeButton(const ControlEntry& entry);
    void OnTransferButton(const ControlEntry& entry);
    void OnRetrieveButton(const ControlEntry& entry);
    void OnConfigureButton(const ControlEntry& entry);
    void OnSerialMessage(std::uintptr_t event);
    void OnLinkStateChanged(CDeviceLink::ModeChange change);
    void OnPortReturned();
    void ConnectLive();
    void UpdateModeButtons();
    bool ConnectWithStatus();
    void AbandonUnansweredConnect();
    std::string ReadAllSettings(const char* retrievingText, int retrievedHold);
    bool DownloadAndStore();
    std::string RetrieveOffline();
    bool StoreLive();
    CPanelRemoteControl::WindowHooks RemoteHooks();
    std::string RetrieveForRemote();
    std::string StoreForRemote();
    bool DownloadSettings();
    void DownloadLoadedSettings();
    void DisconnectAndUnlock();
    void PollLiveDevice();
    void ShowProgress();
    void ShowOffline();
    bool UpdateFirmware();
    void ShowFirmwareFileError(const QString& path);
    bool RefuseWhileFirmwareIsSent();

    // Undo, redo, and what a close would lose (control_panel_dlg_history.cpp).
    void InitHistory();
    void CommitEdit(const QString& text);
    void ApplyStripChange(int strip, const StripSettings& from, const StripSettings& to);
    void OnFaderReleased(int strip, StripValue which);
    void MarkSaved();
    void MarkStored();
    bool ConfirmClose();
    void AddRecentFile(const std::string& path);
    void AddRecentFilesMenu(QMenu& menu);

    // Settings files (control_panel_dlg_files.cpp).
    void OnLoadSettings(const ControlEntry& entry);
    void OnSaveSettings(const ControlEntry& entry);
    void TakeLoadedSettings(const PanelSettings& loaded);
    void OnCompareWithFile();

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
    // What a file last held (loaded or saved), and what the device last held (read or stored),
    // if it has held anything yet.
    PanelSettings savedSettings;
    std::optional<PanelSettings> storedSettings;
    QAction* undoAction = nullptr;
    QAction* redoAction = nullptr;
    CEditHistory history{settings,
                         [this](int strip, const StripSettings& from, const StripSettings& to) {
                             ApplyStripChange(strip, from, to);
                         }};
    std::array<CKVNBitmapButton, ChannelCount> gainLockButtons;
    std::array<CKVNBitmapButton, ChannelCount> freqLockButtons;
    std::array<CKVNBitmapButton, ChannelCount> qLockButtons;
    std::array<std::array<CKVNBitmapButton, ChannelCount>, FilterTypeCount> filterButtons;
    // One view a strip over the controls above, bound once they exist.
    std::array<CStripView, StripCount> strips;
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
    // Until then the refusal to quit during a firmware transfer keeps the status line.
    std::chrono::steady_clock::time_point firmwareBusyShownUntil;
    bool rememberPort = true;
    QList<QAction*> menuActions;
    // Checked: a port that comes back after its line was lost is reconnected without asking.
    QAction autoReconnect{QStringLiteral("Reconnect &Automatically"), this};
    CPortReturnWatch portReturn{[this] { OnPortReturned(); }};
    CPanelRemoteControl remote{link, settings, RemoteHooks(), this};
    CResponseView responseView{this};
    QAction compareAction{QStringLiteral("Co&mpare with file..."), this};
    std::string startupFile;
    CWindowDrag windowDrag{this, &dragArea};
    // A child, so that a test can find the panel's one clock and tick it by hand.
    QTimer timer{this};
};
