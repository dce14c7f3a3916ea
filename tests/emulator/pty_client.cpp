#include "pty_client.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <utility>

CPtyClient::CPtyClient(const std::string& path)
    : fd(open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC))
{
    termios attributes{};
    if (fd >= 0 && tcgetattr(fd, &attributes) == 0) {
        cfmakeraw(&attributes);
        tcsetattr(fd, TCSANOW, &attributes);
    }
}

CPtyClient::~CPtyClient()
{
    Close();
}

void CPtyClient::Close()
{
    if (fd >= 0)
        close(fd);
    fd = -1;
}

void CPtyClient::Write(std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(written));
            continue;
        }
        if (errno != EAGAIN && errno != EINTR)
            return;
        pollfd out{fd, POLLOUT, 0};
        if (poll(&out, 1, static_cast<int>(DefaultWait.count())) <= 0)
            return;
    }
}

void CPtyClient::Command(std::string_view text)
{
    Write(std::string(text) + '\r');
}

std::optional<std::string> CPtyClient::ReadLine(std::chrono::milliseconds wait)
{
    for (auto end = held.find('\r'); end == std::string::npos; end = held.find('\r')) {
        if (!Receive(wait))
            return std::nullopt;
    }
    const auto end = held.find('\r');
    std::string line = held.substr(0, end);
    held.erase(0, end + 1);
    return line;
}

std::string CPtyClient::Exchange(std::string_view text)
{
    Command(text);
    return ReadLine().value_or("<no answer>");
}

std::string CPtyClient::ReadBytes(std::size_t count, std::chrono::milliseconds wait)
{
    while (held.size() < count && Receive(wait)) {
    }
    std::string bytes = held.substr(0, count);
    held.erase(0, bytes.size());
    return bytes;
}

std::vector<std::string> CPtyClient::ReadLineInPieces(std::chrono::milliseconds wait)
{
    std::vector<std::string> pieces;
    while (pieces.empty() || pieces.back().find('\r') == std::string::npos) {
        if (!Receive(wait))
            break;
        pieces.push_back(std::exchange(held, std::string()));
    }
    return pieces;
}

bool CPtyClient::Receive(std::chrono::milliseconds wait)
{
    pollfd in{fd, POLLIN, 0};
    if (poll(&in, 1, static_cast<int>(wait.count())) <= 0 || !(in.revents & POLLIN))
        return false;
    char buffer[4096];
    const ssize_t count = read(fd, buffer, sizeof buffer);
    if (count <= 0)
        return false;
    held.append(buffer, static_cast<std::size_t>(count));
    return true;
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds wait)
{
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}
