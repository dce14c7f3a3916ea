#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "panel/folder_watch.h"
#include "serial/serial_port_list.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

// The port dialog: offers the serial ports that exist and open right now, the panel's own
// port while it holds that open, and the ports this user may not open, marked, with how to
// get the permission; the operator picks one or types a path. Each port is named by the
// adapter behind it, and the list follows adapters plugged in or out while it is open. The
// caller fills portName and connected, runs exec() and, when accepted, takes portName: the
// adapter's /dev/serial/by-id name when it has one, so that the choice outlives renumbering.
class CConfigDlg : public QDialog
{
    Q_OBJECT

public:
    using PortSource = std::function<std::vector<SerialPortEntry>()>;

    // devFolder is where listPorts finds the ports; the dialog watches it for adapters.
    explicit CConfigDlg(QWidget* parent = nullptr, PortSource listPorts = ProbeMachinePorts,
                        const QString& devFolder = QStringLiteral("/dev"));

    static std::vector<SerialPortEntry> ProbeMachinePorts() { return ProbeSerialPorts(); }

    void setVisible(bool visible) override;
    void accept() override;
    void reject() override;

    std::string portName;   // in: the port in use; out: the port chosen
    bool connected = false; // in: the link is not Offline, so the panel holds portName open

private:
    void CreateControls();
    void OnInitDialog();
    void FillPortList();
    void AddPort(const SerialPortEntry& entry);
    int FindPort(const QString& name) const;
    void SelectPort(const QString& name);
    void FitPortField();
    void FitPermissionNote();
    void ReportNoPorts();
    QStringList PortFolders() const;
    void RefreshPortList();
    void OnPortSelChange(int index);
    void OnCurrentPortChanged(int index);

    PortSource listPorts;
    QString devFolder;
    std::string incomingName;
    QGroupBox* frame = nullptr;
    QLabel* portLabel = nullptr;
    QComboBox* portCombo = nullptr;
    QLabel* permissionNote = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* cancelButton = nullptr;
    CFolderWatch portFolders{[this] { return PortFolders(); }, [this] { RefreshPortList(); }};
    bool initialised = false;
};
