// The panel's undo and redo, what a close would lose, and the ways desktops open files: the
// recent-files list and a file dropped on the window.
#include "panel/control_panel_dlg.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QShortcut>

#include <algorithm>

#include "storage/port_preference.h"
#include "storage/settings_file.h"

namespace {

// What the device holds of a strip: the locks and the master are the panel's own.
bool DeviceHoldsAlike(const PanelSettings& a, const PanelSettings& b)
{
    return std::equal(a.begin(), a.begin() + ChannelCount, b.begin(),
                      [](const StripSettings& x, const StripSettings& y) {
                          return x.freq == y.freq && x.q == y.q && x.gain == y.gain &&
                                 x.filter == y.filter;
                      });
}

QString ValueName(StripValue which)
{
    switch (which) {
    case StripValue::Frequency:
        return QStringLiteral("Frequency");
    case StripValue::Q:
        return QStringLiteral("Q");
    case StripValue::Gain:
        break;
    }
    return QStringLiteral("Gain");
}

// The local settings file a drag carries, if it carries exactly one.
QString DroppedSettingsFile(const QMimeData* data)
{
    if (!data || !data->hasUrls() || data->urls().size() != 1)
        return {};
    const QString path = data->urls().front().toLocalFile();
    return !path.isEmpty() && HasSettingsExtension(path.toStdString()) ? path : QString();
}

} // namespace

// The start-up file, if any, is where editing starts from, not an edit.
void CControlPanelDlg::InitHistory()
{
    history.AbsorbAll();
    savedSettings = settings;
    undoAction = history.Stack().createUndoAction(this, QStringLiteral("&Undo"));
    undoAction->setShortcut(QKeySequence::Undo);
    redoAction = history.Stack().createRedoAction(this, QStringLiteral("&Redo"));
    redoAction->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence::Redo});
    addAction(undoAction);
    addAction(redoAction);
    auto* open = new QShortcut(QKeySequence::Open, this);
    connect(open, &QShortcut::activated, this,
            [this] { OnLoadSettings(*FindControl(ControlRole::LoadButton)); });
    auto* save = new QShortcut(QKeySequence::Save, this);
    connect(save, &QShortcut::activated, this,
            [this] { OnSaveSettings(*FindControl(ControlRole::SaveButton)); });
    setAcceptDrops(true);
}

void CControlPanelDlg::CommitEdit(const QString& text)
{
    history.Commit(text);
}

// A fader sends on every move; its edit is complete when it is let go.
void CControlPanelDlg::OnFaderReleased(int strip, StripValue which)
{
    CommitEdit(QString::fromStdString(StripName(strip)) + QLatin1Char(' ') + ValueName(which));
}

// Undo and redo move the values as an edit would: shown, and sent while live.
void CControlPanelDlg::ApplyStripChange(int strip, const StripSettings& from,
                                        const StripSettings& to)
{
    StripSettings& values = settings[strip];
    const bool sends = strip != MasterStrip && link.mode == ControlMode::Live;
    if (from.freq != to.freq) {
        values.freq = to.freq;
        if (sends)
            link.SetFrequency(strip, values.freq);
    }
    if (from.q != to.q) {
        values.q = to.q;
        if (sends)
            link.SetQ(strip, values.q);
    }
    if (from.gain != to.gain && !(sends && link.FrontPanelHasVolume())) {
        values.gain = to.gain;
        if (sends)
            link.SetGain(strip, values.gain);
    }
    if (from.filter != to.filter) {
        values.filter = to.filter;
        if (sends)
            link.SetFilterType(strip, values.filter);
    }
    values.freqLock = to.freqLock;
    values.qLock = to.qLock;
    values.gainLock = to.gainLock;
    strips[strip].Show(values);
    AnnounceSettings();
}

void CControlPanelDlg::MarkSaved()
{
    savedSettings = settings;
}

void CControlPanelDlg::MarkStored()
{
    storedSettings = settings;
}

// Nothing is lost that a file or the device holds.
bool CControlPanelDlg::HasUnsavedChanges() const
{
    const bool deviceHoldsThem = storedSettings && DeviceHoldsAlike(settings, *storedSettings);
    if (link.mode == ControlMode::Live)
        return !deviceHoldsThem;
    return settings != savedSettings && !deviceHoldsThem;
}

bool CControlPanelDlg::ConfirmClose()
{
    if (!HasUnsavedChanges())
        return true;
    const bool live = link.mode == ControlMode::Live;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Sonavire"),
                    live ? QStringLiteral("The settings were changed since they were last stored "
                                          "in Sonavire.")
                         : QStringLiteral("The settings were changed since they were last "
                                          "saved."),
                    QMessageBox::Discard | QMessageBox::Cancel, this);
    QPushButton* keep = box.addButton(live ? QStringLiteral("&Store") : QStringLiteral("&Save..."),
                                      QMessageBox::AcceptRole);
    box.setInformativeText(live ? QStringLiteral("Store them in Sonavire before closing?")
                                : QStringLiteral("Save them to a file before closing?"));
    box.setDefaultButton(keep);
    box.exec();
    if (box.clickedButton() == box.button(QMessageBox::Discard))
        return true;
    if (box.clickedButton() != keep)
        return false;
    if (live)
        return StoreLive();
    OnSaveSettings(*FindControl(ControlRole::SaveButton));
    return !HasUnsavedChanges();
}

QStringList CControlPanelDlg::RecentFiles() const
{
    QStringList files;
    for (const std::string& path : ReadRecentFiles())
        files << QString::fromStdString(path);
    return files;
}

void CControlPanelDlg::AddRecentFile(const std::string& path)
{
    std::vector<std::string> files = ReadRecentFiles();
    std::erase(files, path);
    files.insert(files.begin(), path);
    if (files.size() > RecentFileLimit)
        files.resize(RecentFileLimit);
    WriteRecentFiles(files);
}

void CControlPanelDlg::AddRecentFilesMenu(QMenu& menu)
{
    const QStringList files = RecentFiles();
    if (files.isEmpty())
        return;
    menu.addSeparator();
    for (int index = 0; index < files.size(); ++index) {
        const QString path = files[index];
        menu.addAction(QStringLiteral("&%1 %2").arg(index + 1).arg(path), this,
                       [this, path] { LoadSettingsFile(path.toStdString()); });
    }
}

void CControlPanelDlg::dragEnterEvent(QDragEnterEvent* event)
{
    if (!DroppedSettingsFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

// A dropped file is loaded as one chosen with the load button: downloaded when live.
void CControlPanelDlg::dropEvent(QDropEvent* event)
{
    const QString path = DroppedSettingsFile(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    LoadSettingsFile(path.toStdString());
}
