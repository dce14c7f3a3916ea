#include "panel/config_dlg.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStandardItemModel>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <algorithm>
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

// The name OK hands back, the device the item stands for, and why it will not open.
constexpr int PathRole = Qt::UserRole;
constexpr int DeviceRole = Qt::UserRole + 1;
constexpr int AdviceRole = Qt::UserRole + 2;

// The line edit inside the field keeps this much space at each end of its text.
constexpr int TextMargin = 2;

// The field grows to fit its longest entry; the frame and the dialog grow with it and the
// buttons move right.
void Place(QWidget* widget, const DialogRect& rect, int grow = 0, int shift = 0)
{
    const PixelRect pixels = ToPixels(rect);
    widget->setGeometry(pixels.x + shift, pixels.y, pixels.width + grow, pixels.height);
}

bool IsSameFile(const QString& a, const QString& b)
{
    const QString canonical = QFileInfo(a).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(b).canonicalFilePath();
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

CConfigDlg::CConfigDlg(QWidget* parent, PortSource listPorts, const QString& devFolder)
    : QDialog(parent), listPorts(std::move(listPorts)), devFolder(devFolder)
{
    setWindowTitle(QStringLiteral("Sonavire Configuration"));
    const PixelRect size = ToPixels(DialogSize);
    setFixedSize(size.width, size.height);
    CreateControls();
}

void CConfigDlg::CreateControls()
{
    // Created first so that it lies beneath the controls it frames.
    frame = new QGroupBox(QStringLiteral("Serial Configuration"), this);
    Place(frame, GroupRect);
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

    okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setDefault(true);
    Place(okButton, OkRect);
    connect(okButton, &QPushButton::clicked, this, &CConfigDlg::accept);
    cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    Place(cancelButton, CancelRect);
    connect(cancelButton, &QPushButton::clicked, this, &CConfigDlg::reject);
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
    portFolders.Watch();
    if (portCombo->count() == 0) {
        ReportNoPorts();
        return;
    }
    SelectPort(QString::fromStdString(portName));
}

void CConfigDlg::FillPortList()
{
    bool ownListed = false;
    bool anyDenied = false;
    for (const SerialPortEntry& entry : listPorts()) {
        // The panel's own open port probes as in use, yet it is the one the operator has.
        const bool own =
            connected && (entry.path == incomingName || entry.stableName == incomingName);
        if (entry.IsFree() || own || entry.permissionDenied)
            AddPort(entry);
        ownListed = ownListed || own;
        anyDenied = anyDenied || entry.permissionDenied;
    }
    // The port in use may lie outside the scan: a pseudo-terminal, a typed path, a COMn name.
    if (connected && !ownListed && !incomingName.empty()) {
        SerialPortEntry ownEntry;
        ownEntry.path = incomingName;
        ownEntry.probe = PortProbe::Free;
        AddPort(ownEntry);
    }
    permissionNote->setVisible(anyDenied);
    FitPortField();
    FitPermissionNote();
    // Where the screen keeps the field short of an entry, the list still shows it whole.
    QAbstractItemView* list = portCombo->view();
    list->setMinimumWidth(list->sizeHintForColumn(0) + 2 * list->frameWidth());
}

// A port this user may not open is still listed, since it is most likely the adapter the
// operator has just plugged in; the item says why it will not connect.
void CConfigDlg::AddPort(const SerialPortEntry& entry)
{
    const QString name =
        QString::fromStdString(entry.description.empty() ? entry.path : entry.description);
    // Whole before it is added: the first item becomes current as it comes in.
    auto* item = new QStandardItem(
        entry.permissionDenied ? name + QStringLiteral(" (no permission)") : name);
    item->setData(QString::fromStdString(entry.LastingName()), PathRole);
    item->setData(QString::fromStdString(entry.path), DeviceRole);
    if (!entry.stableName.empty())
        item->setToolTip(QString::fromStdString(entry.stableName));
    if (entry.permissionDenied)
        item->setData(PermissionAdvice(entry), AdviceRole);
    static_cast<QStandardItemModel*>(portCombo->model())->appendRow(item);
}

// The item a remembered or typed name stands for: the adapter's by-id name or its device
// under any name that leads to it; failing that, as before adapters had names, the first
// device whose path begins with the name, letter case ignored.
int CConfigDlg::FindPort(const QString& name) const
{
    for (int i = 0; i < portCombo->count(); ++i) {
        if (portCombo->itemData(i, PathRole) == name || portCombo->itemData(i, DeviceRole) == name)
            return i;
    }
    for (int i = 0; i < portCombo->count(); ++i) {
        if (IsSameFile(name, portCombo->itemData(i, DeviceRole).toString()))
            return i;
    }
    for (int i = 0; i < portCombo->count(); ++i) {
        if (portCombo->itemData(i, DeviceRole).toString().startsWith(name, Qt::CaseInsensitive))
            return i;
    }
    return -1;
}

void CConfigDlg::SelectPort(const QString& name)
{
    const int found = FindPort(name);
    portCombo->setCurrentIndex(found < 0 ? 0 : found);
}

void CConfigDlg::FitPortField()
{
    const QFontMetrics metrics = portCombo->fontMetrics();
    int longest = 0;
    for (int i = 0; i < portCombo->count(); ++i)
        longest = std::max(longest, metrics.horizontalAdvance(portCombo->itemText(i)));
    QStyleOptionComboBox option;
    option.initFrom(portCombo);
    option.editable = true;
    const int wanted =
        portCombo->style()
            ->sizeFromContents(QStyle::CT_ComboBox, &option,
                               QSize(longest + 2 * TextMargin, metrics.height()), portCombo)
            .width();
    const int narrowest = ToPixels(ComboRect).width;
    const int besides = ToPixels(DialogSize).width - narrowest;
    const int widest = std::max(narrowest, screen()->availableGeometry().width() - besides);
    const int grow = std::clamp(wanted, narrowest, widest) - narrowest;
    Place(frame, GroupRect, grow);
    Place(portCombo, ComboRect, grow);
    Place(permissionNote, NoteRect, grow);
    Place(okButton, OkRect, 0, grow);
    Place(cancelButton, CancelRect, 0, grow);
    setFixedWidth(ToPixels(DialogSize).width + grow);
}

void CConfigDlg::FitPermissionNote()
{
    if (permissionNote->isHidden()) {
        setFixedHeight(ToPixels(DialogSize).height);
        return;
    }
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

// /dev/serial/by-id comes with the first adapter that has a name there and goes with the
// last, and /dev/serial with it: each is watched from when it appears, through its parent.
QStringList CConfigDlg::PortFolders() const
{
    QStringList existing;
    for (const QString& folder : {devFolder, devFolder + QStringLiteral("/serial"),
                                  devFolder + QStringLiteral("/serial/by-id")}) {
        if (QFileInfo(folder).isDir())
            existing.append(folder);
    }
    return existing;
}

// The operator's choice stays while its adapter does, and what was typed stays as typed;
// otherwise the choice falls back as when the dialog opened.
void CConfigDlg::RefreshPortList()
{
    const int index = portCombo->currentIndex();
    const QString shown = portCombo->currentText();
    const bool typed = index < 0 ? !shown.isEmpty() : shown != portCombo->itemText(index);
    const QString chosen = portCombo->itemData(index, PathRole).toString();
    portCombo->clear();
    FillPortList();
    portLabel->setEnabled(portCombo->count() > 0);
    const int kept = chosen.isEmpty() ? -1 : portCombo->findData(chosen, PathRole);
    if (kept >= 0)
        portCombo->setCurrentIndex(kept);
    else
        SelectPort(QString::fromStdString(incomingName));
    if (typed)
        portCombo->setEditText(shown);
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
