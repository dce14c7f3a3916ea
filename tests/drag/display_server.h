#pragma once

#include <QSize>
#include <QString>
#include <QTemporaryDir>
#include <sys/types.h>

// A display server of the test's own, Xvfb for X11 or headless weston for Wayland, with the
// environment that makes Qt's matching platform talk to it. The server is started by process
// id, stopped by that id when the object goes, and dies with the test if the test dies.
class DisplayServer
{
public:
    enum Kind
    {
        X11,
        Wayland
    };

    // Xvfb's screen is of the given size in device pixels; weston's headless output keeps
    // its own.
    explicit DisplayServer(Kind kind, QSize screen = {1280, 1024});
    DisplayServer(const DisplayServer&) = delete;
    DisplayServer& operator=(const DisplayServer&) = delete;
    ~DisplayServer();

    // Empty when the server is up.
    const QString& Error() const { return error; }

private:
    void StartXvfb(QSize screen);
    void StartWeston();
    void WaitForSocket(const QString& path);

    QTemporaryDir runtimeDir;
    pid_t pid = -1;
    QString error;
};

// Runs every test in a Qt application on the server just started. The panel remembers its port
// in the user's settings: the tests keep theirs in a folder of their own.
int RunTestsOnDisplay(int argc, char** argv);
