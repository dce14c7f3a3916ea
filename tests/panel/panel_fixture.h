#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "emulator/emulated_device.h"
#include "model/filter_type.h"
#include "panel/config_dlg.h"
#include "panel/control_layout.h"
#include "panel/control_panel_dlg.h"

// A panel window on the offscreen screen, shown and ready for events, optionally with an
// emulated Sonavire on a pseudo-terminal as the port it uses.
class PanelFixture
{
public:
    explicit PanelFixture(const std::string& startupFile = {});
    ~PanelFixture();

    CControlPanelDlg& Panel() { return *panel; }

    // Starts the emulated device and makes its port the panel's.
    CEmulatedDevice& StartDevice(EmulatorOptions options = {});
    CEmulatedDevice& Device() { return *device; }
    // Clicks connect and checks that the panel went live.
    void GoLive();

    // The lines the device received since the last call, without the poll's queries.
    std::vector<std::string> NewCommands();

    // Clicks the control of a role on a strip (strip -1 for the single controls).
    void Click(ControlRole role, int strip = -1);
    // Clicks a channel's key of a filter type.
    void Click(FilterType type, int channel);
    // Stops the panel's one-second clock, so that a test ticks it alone with Tick.
    void Tick(int times = 1);
    // The status display's text without its trailing spaces.
    std::string Status() const;
    // The front-panel lamp shows red, as painted in the window.
    bool LampLit() const;

    template <typename Control>
    Control& ControlAt(ControlRole role, int strip = -1)
    {
        return *static_cast<Control*>(panel->Control(role, strip));
    }

private:
    std::unique_ptr<CEmulatedDevice> device;
    std::unique_ptr<CControlPanelDlg> panel;
    std::size_t commandsSeen = 0;
};

// Answers the next modal window that the answer takes (it returns true) when it appears;
// windows it does not take are left to other answers.
// An answer that has not been used by the time it goes out of scope stops waiting.
class ModalAnswer
{
public:
    explicit ModalAnswer(std::function<bool(QWidget&)> answer);
    ModalAnswer(const ModalAnswer&) = delete;
    ModalAnswer& operator=(const ModalAnswer&) = delete;
    ~ModalAnswer();
    // Any modal window but a file dialog: records its title and text, then presses Yes,
    // Cancel or the default button, in that order of preference, or closes it.
    static ModalAnswer CloseMessageBox(QStringList& seen);
    // A message box that has the button: presses it, after recording the box's text.
    static ModalAnswer Press(QMessageBox::StandardButton button, QStringList* seen = nullptr);

    bool Answered() const { return *answered; }

private:
    std::shared_ptr<bool> answered = std::make_shared<bool>(false);
    QPointer<QTimer> poll;
};

// Answers the next file dialog with the given path (accepted), or cancels it when empty.
ModalAnswer ChooseFile(const QString& path);
