#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <string>

// The program's command line:
//
//   sonavire-panel [--port PORT] [--demo] [--screenshot PNG] [FILE.snv]
class CPanelCommandLine
{
public:
    struct Options
    {
        std::string port;
        bool demo = false;
        std::string startupFile;
        QString screenshot;
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
};
