#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "serial/serial_port_list.h"

class QComboBox;
class QLabel;

// The port dialog: offers the serial ports that exist and open right now, the panel's own
// port while it holds that open, and the ports this user may not open, marked, with how to
// get the permission; the operator picks one or types a path. The caller fills portName and
// connected, runs exec() and, when accepted, takes portName.
class CConfigDlg : public QDialog
{
    Q_OBJECT

public:
    using PortSource = std::function<std::vector<SerialPortEntry>()>;

    explicit CConfigDlg(QWidget* parent = nullptr, PortSource listPorts = ProbeMachinePorts);

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
    void ShowPermissionNote();
    void FitPermissionNote();
    void ReportNoPorts();
    void OnPortSelChange(int index);
    void OnCurrentPortChanged(int index);

    PortSource listPorts;
    std::string incomingName;
    QLabel* portLabel = nullptr;
    QComboBox* portCombo = nullptr;
    QLabel* permissionNote = nullptr;
    bool initialised = false;
};
