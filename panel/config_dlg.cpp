#include "panel/config_dlg.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardItemModel>
#include <utility>

#include "panel/control_layout.h"

namespace {

constexpr DialogRect DialogSize{0, 0, 182, 63};
constexpr DialogRect GroupRect{7, 7, 110, 49};
constexpr DialogRect LabelRect{16, 19, 40, 8};
constexpr DialogRect ComboRect{16, 30, 92, 14};
constexpr DialogRect OkRect{125, 7, 50, 14};
constexpr DialogRect CancelRect{125, 24, 50, 14};
// Below the frame, shown only when a port this user may not open is listed.
// Its height follows its text; the dialog grows to keep this margin below it.
constexpr DialogRect NoteRect{7, 60, 168, 8};
constexpr DialogRect NoteMargin{0, 0, 7, 7};

constexpr int PathRole = Qt::UserRole;
constexpr int AdviceRole = Qt::UserRole + 1;

void Place(QWidget* widget, const DialogRect& rect)
{
    const PixelRect pixels = ToPixels(rect);
    widget->setGeometry(pixels.x, pixels.y, pixels.width, pixels.height);
}

QString PermissionAdvice(const SerialPortEntry& entry)
{
    const QString path = QString::fromStdString(entry.path);
    if (entry.group.empty())
        return QStringLiteral("You may not open %1: only its owner may. Ask the administrator "
                              "of this computer for access to it.")
            .arg(path);
    return QStringLiteral("You may not open %1: it belongs to the group %2. Join that group "
                          "(sudo usermod -aG %2 $USER), then log out and in again.")
        .arg(path, QString::fromStdString(entry.group));
}

} // namespace

CConfigDlg::CConfigDlg(QWidget* parent, PortSource listPorts)
    : QDialog(parent), listPorts(std::move(listPorts))
{
    setWindowTitle(QStringLiteral("Sonavire Configuration"));
    const PixelRect size = ToPixels(DialogSize);
    setFixedSize(size.width, size.height);
    CreateControls();
}

void CConfigDlg::CreateControls()
{
    // Created first so that it lies beneath the controls it frames.
    Place(new QGroupBox(QStringLiteral("Serial Configuration"), this), GroupRect);
    portLabel = new QLabel(QStringLiteral("COM Port"), this);
    Place(portLabel, LabelRect);

    // Editable, so that a port the scan cannot find can still be typed in.
    portCombo = new QComboBox(this);
    portCombo->setEditable(true);
    portCombo->setInsertPolicy(QComboBox::NoInsert);
    Place(portCombo, ComboRect);
    portLabel->setBuddy(portCombo);
    connect(portCombo, &QComboBox::activated, this, &CConfigDlg::OnPortSelChange);
    connect(portCombo, &QComboBox::currentIndexChanged, this, &CConfigDlg::OnCurrentPortChanged);

    permissionNote = new QLabel(this);
    permissionNote->setWordWrap(true);
    permissionNote->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Place(permissionNote, NoteRect);
    permissionNote->hide();

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    Place(ok, OkRect);
    connect(ok, &QPushButton::clicked, this, &CConfigDlg::accept);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    Place(cancel, CancelRect);
    connect(cancel, &QPushButton::clicked, this, &CConfigDlg::reject);
}

// The list is filled when the dialog is first shown, not when it is built: the caller sets
// portName and connected in between. A missing-ports box thus comes up before the dialog.
void CConfigDlg::setVisible(bool visible)
{
    if (visible && !initialised) {
        initialised = true;
        OnInitDialog();
    }
    QDialog::setVisible(visible);
}

void CConfigDlg::OnInitDialog()
{
    incomingName = portName;
    FillPortList();
    if (portCombo->count() == 0) {
        ReportNoPorts();
        return;
    }
    // The first item that begins with the name, letter case ignored.
    const int found = portCombo->findText(QString::fromStdString(portName), Qt::MatchStartsWith);
    portCombo->setCurrentIndex(found < 0 ? 0 : found);
}

void CConfigDlg::FillPortList()
{
    bool ownListed = false;
    bool anyDenied = false;
    for (const SerialPortEntry& entry : listPorts()) {
        // The panel's own open port probes as in use, yet it is the one the operator has.
        const bool own = connected && entry.path == portName;
        if (entry.IsFree() || own || entry.permissionDenied)
            AddPort(entry);
        ownListed = ownListed || own;
        anyDenied = anyDenied || entry.permissionDenied;
    }
    // The port in use may lie outside the scan: a pseudo-terminal, a typed path, a COMn name.
    if (connected && !ownListed && !portName.empty())
        AddPort(SerialPortEntry{portName, PortProbe::Free, {}, false, {}});
    if (anyDenied)
        ShowPermissionNote();
    // Stable by-id names and the permission mark run past the field; the list shows them whole.
    QAbstractItemView* list = portCombo->view();
    list->setMinimumWidth(list->sizeHintForColumn(0) + 2 * list->frameWidth());
}

// A port this user may not open is still listed, since it is most likely the adapter the
// operator has just plugged in; the item says why it will not connect.
void CConfigDlg::AddPort(const SerialPortEntry& entry)
{
    const QString path = QString::fromStdString(entry.path);
    // Whole before it is added: the first item becomes current as it comes in.
    auto* item = new QStandardItem(
        entry.permissionDenied ? path + QStringLiteral(" (no permission)") : path);
    item->setData(path, PathRole);
    if (entry.permissionDenied)
        item->setData(PermissionAdvice(entry), AdviceRole);
    static_cast<QStandardItemModel*>(portCombo->model())->appendRow(item);
}

void CConfigDlg::ShowPermissionNote()
{
    permissionNote->show();
    FitPermissionNote();
}

void CConfigDlg::FitPermissionNote()
{
    if (permissionNote->isHidden())
        return;
    permissionNote->resize(permissionNote->width(),
                           permissionNote->heightForWidth(permissionNote->width()));
    setFixedHeight(permissionNote->geometry().bottom() + 1 + ToPixels(NoteMargin).height);
}

void CConfigDlg::ReportNoPorts()
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"),
                    QStringLiteral("No Serial Ports were detected on this PC!"), QMessageBox::Ok,
                    this);
    box.exec();
    // The label goes grey with nothing to list, but the field stays enabled: a port the scan
    // cannot see, such as a pseudo-terminal or an adapter plugged in since, can still be typed.
    portLabel->setEnabled(false);
}

void CConfigDlg::OnPortSelChange(int index)
{
    portName = portCombo->itemData(index, PathRole).toString().toStdString();
}

void CConfigDlg::OnCurrentPortChanged(int index)
{
    permissionNote->setText(index < 0 ? QString()
                                      : portCombo->itemData(index, AdviceRole).toString());
    FitPermissionNote();
}

void CConfigDlg::accept()
{
    // OK takes the port the field shows, preselected, picked or typed, so that what the
    // operator saw is what the panel uses. An emptied field names no port: the previous
    // choice stands.
    const int index = portCombo->currentIndex();
    const bool listed = index >= 0 && portCombo->currentText() == portCombo->itemText(index);
    const QString text = listed ? portCombo->itemData(index, PathRole).toString()
                                : portCombo->currentText().trimmed();
    if (!text.isEmpty())
        portName = text.toStdString();
    QDialog::accept();
}

void CConfigDlg::reject()
{
    // A choice made before Cancel does not count.
    portName = incomingName;
    QDialog::reject();
}
