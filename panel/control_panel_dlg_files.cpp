// The panel's settings files: loading (and downloading what was loaded when live) and saving.
#include "panel/control_panel_dlg.h"

#include <QFileDialog>
#include <QFileInfo>

#include <filesystem>

#include "model/settings_difference.h"
#include "panel/compare_dlg.h"
#include "storage/settings_file.h"

namespace {

const char* const InvalidSettingsFile = "This is not a valid Sonavire file!";

} // namespace

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
    TakeLoadedSettings(loaded);
    CommitEdit(QStringLiteral("Load File"));
    MarkSaved();
    AddRecentFile(path);
    ShowStatus("Settings Loaded", 3);
    if (link.mode == ControlMode::Live)
        DownloadLoadedSettings();
    return true;
}

// The master takes only its frequency, Q and gain: it has no filter or locks to show.
void CControlPanelDlg::TakeLoadedSettings(const PanelSettings& loaded)
{
    for (int strip = 0; strip < StripCount; ++strip) {
        StripSettings& values = settings[strip];
        if (strip == MasterStrip) {
            values.freq = loaded[strip].freq;
            values.q = loaded[strip].q;
            values.gain = loaded[strip].gain;
        } else {
            values = loaded[strip];
        }
        strips[strip].Show(values);
    }
    AnnounceSettings();
}

void CControlPanelDlg::OnLoadSettings(const ControlEntry&)
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

void CControlPanelDlg::OnSaveSettings(const ControlEntry&)
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
    if (WriteSettingsFile(*path, settings, reason)) {
        MarkSaved();
        AddRecentFile(*path);
        return ShowStatus("Settings Saved", 3);
    }
    ShowError(QStringLiteral("The settings could not be saved to %1: %2")
                  .arg(QString::fromStdString(*path), QString::fromStdString(reason)));
    // Let the rotation take the line back instead of "Saving" standing for ever.
    ShowStatus(savingText, 0);
}

// Lists what loading the file would change, and draws its curves dashed in the response
// window; the panel's settings stay as they are.
void CControlPanelDlg::OnCompareWithFile()
{
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("Compare with Sonavire Configuration File"), QString(),
        QString::fromLatin1(SettingsFileFilter));
    if (path.isEmpty())
        return;
    if (!HasSettingsExtension(path.toStdString()))
        return ShowError(QString::fromLatin1(InvalidSettingsFile));
    PanelSettings other = settings;
    std::string reason;
    if (ReadSettingsFile(path.toStdString(), other, reason) != SettingsReadResult::Read)
        return ShowError(QStringLiteral("The settings file %1 could not be read: %2")
                             .arg(path, QString::fromStdString(reason)));
    const QString name = QFileInfo(path).fileName();
    responseView.Compare(other, name);
    CCompareDlg(name, CompareSettings(settings, other), this).exec();
}
