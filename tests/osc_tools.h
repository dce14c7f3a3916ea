#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

// The OSC clients of the tests are the command-line tools of liblo, which none of us wrote:
// oscsend sends one message and ends, oscdump prints every message it receives.

// Starts a program with no input and its output and errors in the files named (inherited when
// a name is empty); -1 when it cannot be started. The child ends with the test process: a test
// that crashes leaves nothing running that could talk to another test's ports.
pid_t SpawnChild(const std::vector<std::string>& command, const std::string& outputPath,
                 const std::string& errorPath = {});

// Runs oscsend to 127.0.0.1:port with the arguments (address, types, values) and waits for it;
// returns its exit status.
int OscSend(int port, const std::vector<std::string>& arguments);

// Sends one message to 127.0.0.1:port from a liblo server of its own and returns the first
// answer that comes back to it, as oscdump prints it ("/sonavire/channel/3/gain f 4.500000"),
// or an empty text when none comes in time. types and values are given as oscsend takes them;
// pump runs while it waits (the panel's event loop).
std::string OscAsk(int port, const std::string& path, const std::string& types = {},
                   const std::vector<std::string>& values = {},
                   const std::function<void()>& pump = {});

// A loopback UDP port nothing listens on at the moment of asking.
int FreeUdpPort();

// An oscdump listening on a free loopback port for the life of the object; stopped by its
// process id.
class COscDump
{
public:
    COscDump();
    COscDump(const COscDump&) = delete;
    COscDump& operator=(const COscDump&) = delete;
    ~COscDump();

    int Port() const { return port; }
    // Every line printed so far, without oscdump's time tag: "/sonavire/channel/3/gain f 4.5".
    std::vector<std::string> Lines() const;
    // Waits until a line starts with text; pump runs between looks (the panel's event loop).
    bool WaitFor(const std::string& text, const std::function<void()>& pump = {},
                 std::chrono::seconds limit = std::chrono::seconds(20)) const;

private:
    pid_t pid = -1;
    int port = 0;
    std::string outputPath;
};
