#pragma once

#include <QImage>
#include <QRect>
#include <QString>

#include <memory>
#include <string>

#include "emulator/emulated_device.h"
#include "panel/control_layout.h"
#include "panel/control_panel_dlg.h"

// The panel as the operator has it on screen, shown on the offscreen platform, optionally
// with an emulated Sonavire on a pseudo-terminal as its port. The panel's one-second clock
// is stopped and ticked by hand, so that every picture is taken after a known number of
// checks of the device and not at whatever moment the real clock happens to reach.
class CPanelStage
{
public:
    CPanelStage();
    ~CPanelStage();

    CControlPanelDlg& Panel() { return *panel; }
    CEmulatedDevice& Device() { return *device; }

    // Starts the emulated device and makes its port the panel's for this run only.
    bool StartDevice(const EmulatorOptions& options, QString& error);

    // A real click in the middle of the control of a role on a strip (strip -1 for the
    // single controls, filterType for a filter key), as the mouse gives it.
    void Click(ControlRole role, int strip = -1, int filterType = -1);
    // Real key presses on the control.
    void PressKey(ControlRole role, int strip, Qt::Key key, int times);
    // Ticks the panel's clock until the status line starts with text; false after limit ticks.
    bool TickUntilStatus(const std::string& text, int limit);

    // Where a control is, in the panel's pixels.
    QRect Place(ControlRole role, int strip = -1, int filterType = -1) const;
    QRect Place(const ControlEntry& entry) const;
    QImage Grab(const QRect& area = {}) const;

private:
    std::unique_ptr<CEmulatedDevice> device;
    std::unique_ptr<CControlPanelDlg> panel;
};
