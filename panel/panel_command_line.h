#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <string>
#include <vector>

// The program's command line:
//
//   sonavire-panel [--port PORT] [--demo] [--osc PORT [--osc-bind ADDRESS]
//                  [--osc-allow ADDRESS,...]] [--screenshot PNG] [FILE.snv]
class CPanelCommandLine
{
public:
    struct Options
    {
        std::string port;
        bool demo = false;
        std::string startupFile;
        QString screenshot;
        // -1 when not asked for: the remembered choice holds.
        int oscPort = -1;
        std::string oscBind = "127.0.0.1";
        std::vector<std::string> oscAllow;
    };

    CPanelCommandLine();

    // Whether the arguments ask for the usage or the version and nothing that needs a window.
    // Those are answered before any window system is reached, so that they work without a
    // display; arguments meant for the window system are left to the application object.
    static bool AsksOnlyForUsageOrVersion(int argc, char** argv);

    // Fills options from the arguments; the usage and the version are printed and end the
    // process, so an application object must exist. False (after a message on the standard
    // error) for arguments that cannot be used.
    bool Parse(const QStringList& arguments, Options& options);

private:
    QCommandLineParser parser;
    QCommandLineOption help;
    QCommandLineOption version;
    QCommandLineOption port;
    QCommandLineOption demo;
    QCommandLineOption screenshot;
    QCommandLineOption oscPort;
    QCommandLineOption oscBind;
    QCommandLineOption oscAllow;
};
