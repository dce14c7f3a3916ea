#include "display_server.h"

#include <QApplication>
#include <QSettings>
#include <QThread>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "resources/skin_resources.h"
#include <vector>

namespace {

// Generous: a loaded machine may take long to start a server, and only a broken one runs out.
constexpr int SocketWaitSteps = 600;
constexpr unsigned long SocketWaitStepMs = 50;

// The child gets SIGTERM when the test process ends in any way, so no server outlives it.
pid_t Spawn(const std::vector<std::string>& argv, int keepOpenFd = -1)
{
    const pid_t child = fork();
    if (child != 0)
        return child;
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (keepOpenFd >= 0)
        fcntl(keepOpenFd, F_SETFD, 0);
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

// Xvfb writes the display number it chose to this pipe once it accepts clients.
QString ReadDisplayNumber(int fd)
{
    std::string number;
    char c = 0;
    while (read(fd, &c, 1) == 1 && c != '\n')
        number += c;
    return QString::fromStdString(number);
}

// The socket file appears a moment before the server listens on it, so only a connection
// shows that clients can come.
bool Accepts(const QString& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = path.toLocal8Bit();
    std::strncpy(address.sun_path, name.constData(), sizeof(address.sun_path) - 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool accepted =
        connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    close(fd);
    return accepted;
}

} // namespace

DisplayServer::DisplayServer(Kind kind, QSize screen)
{
    if (!runtimeDir.isValid()) {
        error = QStringLiteral("no private runtime folder");
        return;
    }
    qputenv("XDG_RUNTIME_DIR", runtimeDir.path().toLocal8Bit());
    if (kind == X11)
        StartXvfb(screen);
    else
        StartWeston();
}

DisplayServer::~DisplayServer()
{
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

void DisplayServer::StartXvfb(QSize screen)
{
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0) {
        error = QStringLiteral("no pipe for Xvfb");
        return;
    }
    const std::string size =
        std::to_string(screen.width()) + "x" + std::to_string(screen.height()) + "x24";
    pid = Spawn(
        {"Xvfb", "-displayfd", std::to_string(ready[1]), "-screen", "0", size, "-nolisten", "tcp"},
        ready[1]);
    close(ready[1]);
    const QString number = ReadDisplayNumber(ready[0]);
    close(ready[0]);
    if (number.isEmpty()) {
        error = QStringLiteral("Xvfb did not start");
        return;
    }
    qputenv("DISPLAY", (QStringLiteral(":") + number).toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "xcb");
}

void DisplayServer::StartWeston()
{
    // The runtime folder is the test's own, so the socket name cannot clash with another run.
    const QString socket = QStringLiteral("sonavire-test");
    pid = Spawn({"weston", "--backend=headless-backend.so", "--socket=" + socket.toStdString(),
                 "--idle-time=0"});
    WaitForSocket(runtimeDir.filePath(socket));
    qputenv("WAYLAND_DISPLAY", socket.toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "wayland");
}

void DisplayServer::WaitForSocket(const QString& path)
{
    for (int step = 0; step < SocketWaitSteps; ++step) {
        if (Accepts(path))
            return;
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            pid = -1;
            error = QStringLiteral("weston stopped at start");
            return;
        }
        QThread::msleep(SocketWaitStepMs);
    }
    error = QStringLiteral("weston opened no socket");
}

int RunTestsOnDisplay(int argc, char** argv)
{
    QApplication application(argc, argv);
    QTemporaryDir settingsFolder;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder.path());
    SkinResources::InstallSearchPath();
    return RUN_ALL_TESTS();
}
