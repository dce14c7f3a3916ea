#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using namespace std::chrono_literals;

// The test's end of the emulated serial line: the slave path opened the way a panel opens a
// port (read-write, no controlling terminal, raw), with every wait bounded so that a fault
// never hangs a test.
class CPtyClient
{
public:
    static constexpr std::chrono::milliseconds DefaultWait = 5000ms;

    explicit CPtyClient(const std::string& path);
    CPtyClient(const CPtyClient&) = delete;
    CPtyClient& operator=(const CPtyClient&) = delete;
    ~CPtyClient();

    bool IsOpen() const { return fd >= 0; }
    int Fd() const { return fd; }
    void Close();

    void Write(std::string_view bytes);
    void Command(std::string_view text);

    // The next line without its carriage return; nothing when it does not come in time.
    std::optional<std::string> ReadLine(std::chrono::milliseconds wait = DefaultWait);
    // Sends a command and reads its answer; "<no answer>" when none came.
    std::string Exchange(std::string_view text);
    // The next count bytes, or fewer when they stop coming.
    std::string ReadBytes(std::size_t count, std::chrono::milliseconds wait = DefaultWait);
    // The pieces in which the next line arrived, its carriage return included.
    std::vector<std::string> ReadLineInPieces(std::chrono::milliseconds wait = DefaultWait);

private:
    // Appends what arrives within wait to held; false when nothing did.
    bool Receive(std::chrono::milliseconds wait);

    int fd = -1;
    std::string held;
};

// Polls condition until it holds or wait has passed.
bool WaitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds wait = CPtyClient::DefaultWait);
