#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "device/device_link.h"
#include "device/link_procedures.h"
#include "serial/message_queue.h"
#include "serial/serial_panel_wnd.h"

// sonavire-cli: the panel's device link without a window, for scripts. Data goes to the
// output stream, errors in plain words to the error stream.
class CCommandLineTool : public IMessageWindow
{
public:
    enum ExitStatus
    {
        Success = 0,
        DeviceFailure = 1,
        UsageError = 2,
        // diff's answer when the two sides hold different settings.
        SettingsDiffer = 1,
    };

    CCommandLineTool(std::ostream& out, std::ostream& err);

    int Run(const std::vector<std::string>& arguments);

    IMessageTarget* MessageTarget() override { return &queue; }

private:
    using Arguments = std::vector<std::string>;
    struct Command
    {
        const char* name;
        int (CCommandLineTool::*run)(const Arguments&);
        const char* usage;
        const char* summary;
    };
    static const std::vector<Command>& Commands();

    int Ports(const Arguments& arguments);
    int Info(const Arguments& arguments);
    int Retrieve(const Arguments& arguments);
    int Download(const Arguments& arguments);
    int Store(const Arguments& arguments);
    int Set(const Arguments& arguments);
    int Flash(const Arguments& arguments);
    int Image(const Arguments& arguments);
    int Monitor(const Arguments& arguments);
    int Serve(const Arguments& arguments);
    int Diff(const Arguments& arguments);
    int Response(const Arguments& arguments);

    int Usage(const std::string& problem);
    int Failure(const std::string& problem);
    void PrintHelp(const Command* command);
    bool ConnectDevice();
    int ConnectFailed();
    int ReportInterrupt();
    bool QueryLiveMode(std::string& failure);
    std::string RetrieveSettings(PanelSettings& settings);
    void PrintChannels(const PanelSettings& settings);
    void PrintLiveChanges(const LiveChanges& changes, const PanelSettings& settings);
    void ShowProgress();
    void HandleMessages(int waitMs);

    std::ostream& out;
    std::ostream& err;
    std::string portName;
    // The interrupt guard's pipe, for the loops that wait on more than the port.
    int interruptDescriptor = -1;
    CMessageQueue queue;
    CSerialPanelWnd port;
    CDeviceLink link;
};
