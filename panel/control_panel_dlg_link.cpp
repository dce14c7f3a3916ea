// The panel's connection, transfers and firmware update.
#include "panel/control_panel_dlg.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include <string_view>
#include <unistd.h>

#include "device/link_procedures.h"
#include "panel/button_pictures.h"
#include "panel/config_dlg.h"
#include "resources/bitmap_ids.h"
#include "storage/regular_file.h"

namespace {

// The pictures and tooltips of the three buttons that change with the link's mode, in
// ControlMode order.
struct ModeButtonLook
{
    ButtonPictures mode;
    const char* modeTip;
    ButtonPictures transfer;
    const char* transferTip;
    bool retrieveShown;
};
constexpr ModeButtonLook ModeLooks[] = {
    {{BitmapId::ConnectUp, BitmapId::ConnectDown},
     "Connect to Sonavire for Real-Time Control",
     {BitmapId::DownloadUp, BitmapId::DownloadDown},
     "Download Settings to Sonavire",
     true},
    {{BitmapId::DisconnectUp, BitmapId::DisconnectDown},
     "Disconnect from Sonavire",
     {BitmapId::DownloadUp, BitmapId::DownloadDown},
     "Store settings permanently in Sonavire",
     false},
    {{BitmapId::DisconnectUp, BitmapId::DisconnectDown},
     "Disconnect from Sonavire",
     {BitmapId::FirmwareUp, BitmapId::FirmwareDown},
     "Update Sonavire Firmware",
     false},
};
constexpr ButtonPictures RetrievePictures{BitmapId::RetrieveUp, BitmapId::RetrieveDown};
constexpr const char* RetrieveTip = "Retrieve Settings from Sonavire";

const char* const DownloadFailed = "Download Failed! Check connection and try again.";
const char* const StoreFailed = "Store Failed! Check connection and try again.";
const char* const ConnectFailed = "Unable to connect to Sonavire - Check Hardware";
constexpr int ConnectFailedHold = 4;
const char* const LostConnection = "Lost Connection with Sonavire";
constexpr int LostConnectionHold = 4;
constexpr std::string_view PseudoTerminalFolder = "/dev/pts/";
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

} // namespace

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
    update();
    AnnounceSettings();
}

// The link says so whenever its mode changes, whoever caused it: a send or a store that went
// unanswered, the poll, or the line hanging up. An exchange that failed has been reported by
// its handler, whose text stays; a line that hung up between exchanges is reported here.
void CControlPanelDlg::OnLinkStateChanged(CDeviceLink::ModeChange change)
{
    if (link.mode != ControlMode::Offline)
        return UpdateModeButtons();
    ShowOffline();
    if (change != CDeviceLink::ModeChange::LineLost)
        return;
    ShowStatus(LostConnection, LostConnectionHold);
    const std::string device = CSerialPort::DevicePath(portName);
    // A pseudo-terminal's number goes to the next terminal opened, not back to its device.
    if (!device.starts_with(PseudoTerminalFolder))
        portReturn.Watch(device);
}

// The adapter that was pulled out is plugged in again.
void CControlPanelDlg::OnPortReturned()
{
    if (link.mode != ControlMode::Offline)
        return;
    if (autoReconnect.isChecked())
        return ConnectLive();
    const QMessageBox::StandardButton answer = QMessageBox::question(
        this, QStringLiteral("Sonavire"),
        QStringLiteral("%1 is back. Reconnect to Sonavire?").arg(QString::fromStdString(portName)),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    if (answer == QMessageBox::Yes && link.mode == ControlMode::Offline)
        ConnectLive();
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

// Returns the first read that failed, in plain words; empty when every one was answered.
std::string CControlPanelDlg::ReadAllSettings(const char* retrievingText, int retrievedHold)
{
    ShowStatus(retrievingText, CStatusLine::UntilReplaced);
    std::string failure = ReadAll(link, settings, AfterReadFailure::GoOn);
    ShowAllStrips();
    ShowStatus("Settings Retrieved", retrievedHold);
    return failure;
}

void CControlPanelDlg::DisconnectAndUnlock()
{
    link.Disconnect();
    SetFaderLocks(true);
    UpdateModeButtons();
}

void CControlPanelDlg::OnModeButton(const ControlEntry&)
{
    if (link.mode != ControlMode::Offline)
        DisconnectAndUnlock();
    else
        ConnectLive();
}

void CControlPanelDlg::ConnectLive()
{
    portReturn.Stop();
    if (ConnectWithStatus()) {
        ShowStatus(Format("Connected to Sonavire on %1!", portName).toStdString(), 2);
        link.QueryMode();
        if (link.mode == ControlMode::Live) {
            ReadAllSettings("Retrieving Current Settings from Sonavire....", 1);
            // What the device holds is where live editing starts from, not an edit.
            history.AbsorbAll();
            MarkStored();
        } else if (link.mode == ControlMode::Offline)
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

void CControlPanelDlg::OnRetrieveButton(const ControlEntry&)
{
    if (link.mode == ControlMode::Offline)
        RetrieveOffline();
}

// Connects, reads and disconnects; returns why it could not, empty when it read everything.
std::string CControlPanelDlg::RetrieveOffline()
{
    if (!ConnectWithStatus())
        return ConnectFailed;
    link.QueryMode();
    std::string failure;
    if (link.mode == ControlMode::Live) {
        failure = ReadAllSettings("Retrieving settings from Sonavire....", 2);
        CommitEdit(QStringLiteral("Retrieve"));
        MarkStored();
    } else if (link.mode == ControlMode::FirmwareUpdate) {
        failure = "Unable retrieve settings - Sonavire is in OS Update mode";
        ShowStatus(failure, 5);
    } else {
        failure = "Unable retrieve settings";
        ShowStatus(failure, 5);
    }
    // The panel stays offline, where the faders are the operator's whatever the device's
    // front panel said during the read.
    DisconnectAndUnlock();
    return failure;
}

// Whether every channel was acknowledged.
bool CControlPanelDlg::DownloadSettings()
{
    return DownloadChannels(link, settings).empty();
}

// A file loaded while live goes to the device at once, as the operator's edits do.
void CControlPanelDlg::DownloadLoadedSettings()
{
    ShowStatus("Downloading Settings to Sonavire...", CStatusLine::UntilReplaced);
    if (DownloadSettings())
        ShowStatus("Settings Downloaded Successfully!", 2);
    else
        ShowStatus(DownloadFailed, 5);
}

bool CControlPanelDlg::DownloadAndStore()
{
    if (!ConnectWithStatus())
        return false;
    ShowStatus("Downloading Settings to Sonavire...", CStatusLine::UntilReplaced);
    bool succeeded = DownloadSettings();
    ShowStatus("Storing settings permanently on Sonavire...", 5);
    succeeded = link.StoreSettings() && succeeded;
    if (succeeded) {
        MarkStored();
        ShowStatus("Settings downloaded and stored Successfully!", 2);
    } else
        ShowStatus(DownloadFailed, 5);
    link.Disconnect();
    return succeeded;
}

void CControlPanelDlg::OnTransferButton(const ControlEntry&)
{
    switch (link.mode) {
    case ControlMode::Offline:
        DownloadAndStore();
        return;
    case ControlMode::Live:
        StoreLive();
        return;
    case ControlMode::FirmwareUpdate:
        UpdateFirmware();
        return;
    }
}

bool CControlPanelDlg::StoreLive()
{
    ShowStatus("Storing settings permanently on Sonavire...", 5);
    if (link.StoreSettings()) {
        MarkStored();
        ShowStatus("Settings stored successfully!", 2);
        return true;
    }
    ShowStatus(StoreFailed, 5);
    return false;
}

void CControlPanelDlg::OnConfigureButton(const ControlEntry&)
{
    CConfigDlg dialog(this);
    dialog.portName = portName;
    dialog.connected = link.mode != ControlMode::Offline;
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (dialog.portName != portName && link.mode != ControlMode::Offline)
        DisconnectAndUnlock();
    if (dialog.portName != portName)
        portReturn.Stop();
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
    UpdateStatusLine();
    if (link.mode == ControlMode::Offline)
        return;
    // What clients set goes out first, or the poll would read back the values it replaces.
    remote.SendAll();
    PollLiveDevice();
    // Any of the poll's queries may have dropped the line, not only the mode query.
    if (link.mode == ControlMode::Offline) {
        ShowOffline();
        ShowStatus(LostConnection, LostConnectionHold);
    }
}

void CControlPanelDlg::PollLiveDevice()
{
    const LiveChanges changes = PollLive(link, settings);
    // The device's own knobs change what it holds; no edit of the operator's claims that.
    for (int channel = 0; channel < ChannelCount; ++channel) {
        if (changes.gains[channel]) {
            if (storedSettings)
                (*storedSettings)[channel].gain = settings[channel].gain;
            history.Absorb(channel);
        }
    }
    if (changes.frontPanel)
        ShowAllStrips();
    else if (changes.AnyGain())
        ShowGains();
    AnnounceSettings();
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

// A client asks what the panel's own buttons do, with the same texts on the status line.
CPanelRemoteControl::WindowHooks CControlPanelDlg::RemoteHooks()
{
    return {[this](int strip) {
                strips[strip].Show(settings[strip]);
                history.Absorb(strip);
                responseView.Follow(settings);
            },
            [this] { return RetrieveForRemote(); }, [this] { return StoreForRemote(); },
            [this](const QString& text) { ShowError(text); }};
}

std::string CControlPanelDlg::RetrieveForRemote()
{
    switch (link.mode) {
    case ControlMode::Offline:
        return RetrieveOffline();
    case ControlMode::Live: {
        std::string failure = ReadAllSettings("Retrieving settings from Sonavire....", 2);
        CommitEdit(QStringLiteral("Retrieve"));
        MarkStored();
        return failure;
    }
    case ControlMode::FirmwareUpdate:
        break;
    }
    return "Sonavire is in firmware-update mode";
}

std::string CControlPanelDlg::StoreForRemote()
{
    switch (link.mode) {
    case ControlMode::Offline:
        return DownloadAndStore() ? std::string() : DownloadFailed;
    case ControlMode::Live:
        return StoreLive() ? std::string() : StoreFailed;
    case ControlMode::FirmwareUpdate:
        break;
    }
    return "Sonavire is in firmware-update mode";
}
