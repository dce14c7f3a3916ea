#include "panel/panel_command_line.h"

#include <QFileInfo>

#include <cstdio>

CPanelCommandLine::CPanelCommandLine()
    : help(parser.addHelpOption()), version(parser.addVersionOption()),
      port(QStringLiteral("port"), QStringLiteral("Use the serial port PORT for this run."),
           QStringLiteral("PORT")),
      demo(QStringLiteral("demo"), QStringLiteral("Connect to a built-in emulated Sonavire.")),
      screenshot(QStringLiteral("screenshot"),
                 QStringLiteral("Write a picture of the panel as it starts to PNG, and exit."),
                 QStringLiteral("PNG")),
      oscPort(QStringLiteral("osc"),
              QStringLiteral("Serve OSC remote control on UDP port PORT (remembered)."),
              QStringLiteral("PORT")),
      oscBind(QStringLiteral("osc-bind"),
              QStringLiteral("Listen for OSC on ADDRESS instead of the loopback address."),
              QStringLiteral("ADDRESS")),
      oscAllow(QStringLiteral("osc-allow"),
               QStringLiteral("Take OSC only from these comma-separated client addresses."),
               QStringLiteral("ADDRESSES"))
{
    parser.setApplicationDescription(
        QStringLiteral("Control panel of the Sonavire 16 channel filter amplifier."));
    parser.addOption(port);
    parser.addOption(demo);
    parser.addOption(screenshot);
    parser.addOption(oscPort);
    parser.addOption(oscBind);
    parser.addOption(oscAllow);
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("A settings file (.snv) to load at start."),
                                 QStringLiteral("[FILE]"));
}

bool CPanelCommandLine::AsksOnlyForUsageOrVersion(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    CPanelCommandLine commandLine;
    QCommandLineParser& parser = commandLine.parser;
    return parser.parse(arguments) &&
           (parser.isSet(commandLine.help) || parser.isSet(QStringLiteral("help-all")) ||
            parser.isSet(commandLine.version));
}

bool CPanelCommandLine::Parse(const QStringList& arguments, Options& options)
{
    parser.process(arguments);
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        std::fprintf(stderr, "sonavire-panel: one settings file at most\n");
        return false;
    }
    options.port = parser.value(port).toStdString();
    options.demo = parser.isSet(demo);
    options.screenshot = parser.value(screenshot);
    if (parser.isSet(oscPort)) {
        bool isNumber = false;
        options.oscPort = parser.value(oscPort).toInt(&isNumber);
        if (!isNumber || options.oscPort < 0 || options.oscPort > 65535) {
            std::fprintf(stderr, "sonavire-panel: --osc takes a UDP port from 0 to 65535\n");
            return false;
        }
    }
    if (parser.isSet(oscBind))
        options.oscBind = parser.value(oscBind).toStdString();
    for (const QString& client : parser.value(oscAllow).split(u',', Qt::SkipEmptyParts))
        options.oscAllow.push_back(client.trimmed().toStdString());
    // Only a file that exists is a start-up file; anything else is ignored as before.
    if (!files.isEmpty() && QFileInfo(files.front()).isFile())
        options.startupFile = files.front().toStdString();
    return true;
}
