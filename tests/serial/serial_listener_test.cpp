#include <chrono>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include "serial/message_queue.h"
#include "serial/message_registry.h"
#include "serial/serial_panel_wnd.h"
#include "tests/serial/pty_pair.h"

namespace {

using namespace std::chrono_literals;

constexpr auto MessageWait = 2000ms;
constexpr auto Quiet = 200ms;

class SerialListenerTest : public testing::Test
{
protected:
    std::string ReadAll()
    {
        std::string bytes;
        char buffer[1024];
        std::size_t count = 0;
        do {
            port.Read(buffer, sizeof buffer, &count, 0);
            bytes.append(buffer, count);
        } while (count == sizeof buffer);
        return bytes;
    }

    PtyPair pty;
    CMessageQueue queue;
    CSerialWnd port;
};

TEST(MessageRegistry, SameNameSameNumberFromTheRegisteredRange)
{
    const auto a = RegisterMessageName("RegistryTest_A");
    const auto b = RegisterMessageName("RegistryTest_B");
    EXPECT_GE(a, 0xC000u);
    EXPECT_NE(a, b);
    EXPECT_EQ(RegisterMessageName("RegistryTest_A"), a);
    EXPECT_EQ(CSerialWnd::DefaultMessage(), RegisterMessageName("CSerialWnd_DefaultComMsg"));
}

TEST_F(SerialListenerTest, PostsTheDefaultMessageForReceivedCharacters)
{
    ASSERT_EQ(port.Open(pty.SlavePath(), &queue, 0, 42), StatusSuccess);
    EXPECT_TRUE(port.IsListening());
    pty.Send("<<\r");
    const auto message = queue.Take(MessageWait);
    ASSERT_TRUE(message);
    EXPECT_EQ(message->message, CSerialWnd::DefaultMessage());
    EXPECT_EQ(message->wParam, EventCharacterReceived);
    EXPECT_EQ(message->lParam, 42);
    EXPECT_EQ(ReadAll(), "<<\r");
}

TEST_F(SerialListenerTest, PostsAGivenMessageNumber)
{
    ASSERT_EQ(port.Open(pty.SlavePath(), &queue, 0x8123), StatusSuccess);
    pty.Send("x");
    const auto message = queue.Take(MessageWait);
    ASSERT_TRUE(message);
    EXPECT_EQ(message->message, 0x8123u);
}

TEST_F(SerialListenerTest, ReportsNewBytesOnceEvenWhileUnread)
{
    ASSERT_EQ(port.Open(pty.SlavePath(), &queue), StatusSuccess);
    pty.Send("abc");
    ASSERT_TRUE(queue.Take(MessageWait));
    // The bytes stay unread: no further message until more arrive.
    EXPECT_FALSE(queue.Take(Quiet));
    pty.Send("d");
    ASSERT_TRUE(queue.Take(MessageWait));
    EXPECT_EQ(ReadAll(), "abcd");

    // Bytes that arrive right after a read are new, though the queue holds as many as before.
    pty.Send("efgh");
    ASSERT_TRUE(queue.Take(MessageWait));
    EXPECT_EQ(ReadAll(), "efgh");
    pty.Send("ijkl");
    ASSERT_TRUE(queue.Take(MessageWait));
    EXPECT_EQ(ReadAll(), "ijkl");
}

TEST_F(SerialListenerTest, CloseStopsTheWorkerAndCanBeRepeated)
{
    ASSERT_EQ(port.Open(pty.SlavePath(), &queue), StatusSuccess);
    EXPECT_EQ(port.StartListening(), StatusSuccess);
    EXPECT_EQ(port.Close(), StatusSuccess);
    EXPECT_FALSE(port.IsListening());
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.Close(), StatusSuccess);

    pty.Send("late");
    EXPECT_FALSE(queue.Take(Quiet));

    // A new opening starts clean: bytes from before it are dropped, and its new worker is
    // not stopped by the old signal.
    ASSERT_EQ(port.Open(pty.SlavePath(), &queue), StatusSuccess);
    EXPECT_EQ(ReadAll(), "");
    pty.Send("fresh");
    ASSERT_TRUE(queue.Take(MessageWait));
    EXPECT_EQ(ReadAll(), "fresh");
}

double ProcessCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

TEST_F(SerialListenerTest, HangUpPostsOneLineErrorAndEndsTheWorker)
{
    ASSERT_EQ(port.Open(pty.SlavePath(), &queue), StatusSuccess);
    pty.HangUp();
    const auto message = queue.Take(MessageWait);
    ASSERT_TRUE(message);
    EXPECT_EQ(message->wParam & 0xFFFF, EventLineError);

    const double before = ProcessCpuSeconds();
    EXPECT_FALSE(queue.Take(500ms));
    // A worker spinning on the dead line would burn the whole half second.
    EXPECT_LT(ProcessCpuSeconds() - before, 0.2);
    EXPECT_EQ(port.Close(), StatusSuccess);
}

class PanelWindow : public IMessageWindow
{
public:
    IMessageTarget* MessageTarget() override { return &queue; }
    CMessageQueue queue;
};

TEST(SerialPanelWnd, OpensWithTheWindowObject)
{
    PtyPair pty;
    PanelWindow window;
    CSerialPanelWnd port;
    IMessageWindow* windowObject = &window;
    ASSERT_EQ(port.Open(pty.SlavePath(), windowObject), StatusSuccess);
    pty.Send("x");
    const auto message = window.queue.Take(MessageWait);
    ASSERT_TRUE(message);
    EXPECT_EQ(message->message, CSerialWnd::DefaultMessage());
}

// Reaches the event report directly: a pseudo-terminal has no break or line errors to give.
class ReportingPort : public CSerialWnd
{
public:
    using CSerialWnd::OnPortEvent;
};

TEST(SerialWnd, ErrorsGoToTheHighHalfOfTheFirstParameter)
{
    PtyPair pty;
    CMessageQueue queue;
    ReportingPort port;
    ASSERT_EQ(port.Open(pty.SlavePath(), &queue, 0, 7), StatusSuccess);
    port.OnPortEvent(EventCharacterReceived | EventLineError, LineErrorFraming);
    const auto message = queue.Take(MessageWait);
    ASSERT_TRUE(message);
    EXPECT_EQ(message->wParam, 0x00080081u);
    EXPECT_EQ(message->lParam, 7);
}

} // namespace
