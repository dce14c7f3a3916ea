#include "tests/osc_tools.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <lo/lo.h>
#include <netinet/in.h>
#include <sstream>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// Only calls that are safe between fork and exec in a process with threads.
void Redirect(int descriptor, const char* path, int flags)
{
    const int opened = ::open(path, flags | O_CLOEXEC, 0600);
    if (opened >= 0)
        ::dup2(opened, descriptor);
}

int BoundUdpSocket(int port)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// oscdump says nothing when it is ready; the port it binds being taken is the sign.
bool IsTaken(int port)
{
    const int fd = BoundUdpSocket(port);
    if (fd < 0)
        return true;
    ::close(fd);
    return false;
}

} // namespace

int OscSend(int port, const std::vector<std::string>& arguments)
{
    std::vector<std::string> command{OSCSEND_PATH, "127.0.0.1", std::to_string(port)};
    command.insert(command.end(), arguments.begin(), arguments.end());
    const pid_t pid = SpawnChild(command, {});
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

namespace {

lo_message MessageOf(const std::string& types, const std::vector<std::string>& values)
{
    lo_message message = lo_message_new();
    for (std::size_t index = 0; index < types.size() && index < values.size(); ++index) {
        const std::string& value = values[index];
        switch (types[index]) {
        case 'i':
            lo_message_add_int32(message, std::stoi(value));
            break;
        case 'f':
            lo_message_add_float(message, std::stof(value));
            break;
        case 'd':
            lo_message_add_double(message, std::stod(value));
            break;
        default:
            lo_message_add_string(message, value.c_str());
            break;
        }
    }
    return message;
}

// The answer as oscdump prints it, so that the tests read both alike.
int KeepAnswer(const char* path, const char* types, lo_arg** values, int count, lo_message,
               void* answer)
{
    std::ostringstream text;
    text << path << " " << types;
    // An argument lies where the message put it, four-byte aligned: it is copied out, not
    // read through the eight-byte-aligned union.
    for (int index = 0; index < count; ++index) {
        const char* bytes = reinterpret_cast<const char*>(values[index]);
        if (types[index] == 'f') {
            float number = 0;
            std::memcpy(&number, bytes, sizeof number);
            text << " " << std::to_string(number);
        } else if (types[index] == 'i') {
            std::int32_t number = 0;
            std::memcpy(&number, bytes, sizeof number);
            text << " " << number;
        } else if (types[index] == 's') {
            text << " \"" << bytes << "\"";
        }
    }
    *static_cast<std::string*>(answer) = text.str();
    return 0;
}

} // namespace

std::string OscAsk(int port, const std::string& path, const std::string& types,
                   const std::vector<std::string>& values, const std::function<void()>& pump)
{
    std::string answer;
    lo_server server = lo_server_new_with_proto(nullptr, LO_UDP, nullptr);
    lo_server_add_method(server, nullptr, nullptr, KeepAnswer, &answer);
    lo_address panel = lo_address_new("127.0.0.1", std::to_string(port).c_str());
    lo_message message = MessageOf(types, values);
    lo_send_message_from(panel, server, path.c_str(), message);
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (answer.empty() && Clock::now() < deadline) {
        if (pump)
            pump();
        lo_server_recv_noblock(server, 5);
    }
    lo_message_free(message);
    lo_address_free(panel);
    lo_server_free(server);
    return answer;
}

int FreeUdpPort()
{
    const int fd = BoundUdpSocket(0);
    sockaddr_in address{};
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

COscDump::COscDump() : port(FreeUdpPort())
{
    char folder[] = "/tmp/oscdump-XXXXXX";
    outputPath = std::string(::mkdtemp(folder)) + "/out";
    pid = SpawnChild({OSCDUMP_PATH, "-L", std::to_string(port)}, outputPath);
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (pid > 0 && !IsTaken(port) && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

COscDump::~COscDump()
{
    if (pid > 0) {
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
    }
    ::unlink(outputPath.c_str());
    ::rmdir(outputPath.substr(0, outputPath.rfind('/')).c_str());
}

std::vector<std::string> COscDump::Lines() const
{
    std::vector<std::string> lines;
    std::ifstream output(outputPath);
    for (std::string line; std::getline(output, line);) {
        // "eec1dd2e.53a0620a /sonavire/..." : the time tag goes.
        const auto space = line.find(' ');
        lines.push_back(space == std::string::npos ? line : line.substr(space + 1));
    }
    return lines;
}

bool COscDump::WaitFor(const std::string& text, const std::function<void()>& pump,
                       std::chrono::seconds limit) const
{
    const auto deadline = Clock::now() + limit;
    for (;;) {
        const std::vector<std::string> lines = Lines();
        if (std::any_of(lines.begin(), lines.end(),
                        [&](const std::string& line) { return line.starts_with(text); }))
            return true;
        if (Clock::now() >= deadline)
            return false;
        if (pump)
            pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

pid_t SpawnChild(const std::vector<std::string>& command, const std::string& outputPath,
                 const std::string& errorPath)
{
    std::vector<char*> argv;
    for (const std::string& word : command)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent)
        ::_exit(127);
    Redirect(STDIN_FILENO, "/dev/null", O_RDONLY);
    if (!outputPath.empty())
        Redirect(STDOUT_FILENO, outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC);
    if (!errorPath.empty())
        Redirect(STDERR_FILENO, errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC);
    ::execv(argv[0], argv.data());
    ::_exit(127);
}
