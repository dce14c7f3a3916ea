#include "tests/panel/panel_fixture.h"

#include <QCloseEvent>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

// An Intel HEX file of length bytes counting up from address 0.
QByteArray HexFile(int length)
{
    QByteArray text;
    for (int address = 0; address < length; address += 16) {
        const int count = std::min(16, length - address);
        QByteArray record;
        record.append(char(count)).append(char(address >> 8)).append(char(address & 0xFF));
        record.append(char(0));
        for (int i = 0; i < count; ++i)
            record.append(char((address + i) * 7));
        int sum = 0;
        for (char byte : record)
            sum += static_cast<unsigned char>(byte);
        record.append(char(-sum & 0xFF));
        text += ":" + record.toHex().toUpper() + "\r\n";
    }
    return text + ":00000001FF\r\n";
}

class FirmwareUpdate : public testing::Test
{
protected:
    explicit FirmwareUpdate(bool paced = false)
    {
        EmulatorOptions options;
        options.updateMode = true;
        options.paced = paced;
        fixture.StartDevice(options);
        fixture.Click(ControlRole::ModeButton);
        EXPECT_EQ(fixture.Panel().Link().mode, ControlMode::FirmwareUpdate);
        fixture.NewCommands();
    }

    QString WriteFile(const QString& name, const QByteArray& bytes)
    {
        const QString path = folder.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    // Clicks the firmware button, picks the file and answers the checklist.
    QStringList Start(const QString& path, QMessageBox::StandardButton checklist)
    {
        QStringList seen;
        const ModalAnswer dialog = ChooseFile(path);
        const ModalAnswer box([&seen, checklist](QWidget& modal) {
            auto* message = qobject_cast<QMessageBox*>(&modal);
            if (!message || message->windowTitle() != QStringLiteral("Update Sonavire OS"))
                return false;
            seen << message->windowTitle() << message->text();
            message->button(checklist)->click();
            return true;
        });
        const ModalAnswer error = ModalAnswer::CloseMessageBox(seen);
        fixture.Click(ControlRole::TransferButton);
        return seen;
    }

    bool WaitUntilDone()
    {
        return QTest::qWaitFor([&] { return !fixture.Panel().Link().programming; }, 20000);
    }

    QTemporaryDir folder;
    PanelFixture fixture;
};

TEST_F(FirmwareUpdate, SendsTheImagePageByPageAndSaysComplete)
{
    const QString path = WriteFile(QStringLiteral("image.HEX"), HexFile(0x1F01));
    const QStringList seen = Start(path, QMessageBox::Ok);
    ASSERT_EQ(seen.size(), 2);
    EXPECT_EQ(seen[0], QStringLiteral("Update Sonavire OS"));
    EXPECT_TRUE(seen[1].startsWith(
        QStringLiteral("You are about to perform a firmware update on your Kelvorn Sonavire.\n")));
    EXPECT_TRUE(
        seen[1].contains(QStringLiteral("\t2. A straight-through RS-232 cable os securely")));
    EXPECT_TRUE(fixture.Panel().Link().programming);

    // The exit button is ignored while the image is sent.
    fixture.Click(ControlRole::ExitButton);
    EXPECT_TRUE(fixture.Panel().isVisible());

    ASSERT_TRUE(WaitUntilDone());
    EXPECT_EQ(fixture.Status(), "Programming Sonavire Firmware; Complete!");
    CEmulatedDevice& device = fixture.Device();
    // The end frame is written as the panel finishes; the device takes it a moment later.
    EXPECT_TRUE(QTest::qWaitFor([&] { return device.TransferComplete(); }, 2000));
    EXPECT_EQ(device.PagesReceived(), 32);
    const std::vector<std::uint8_t> image = device.ReceivedImage();
    ASSERT_GE(image.size(), 0x1F01u);
    for (int i = 0; i < 0x1F01; ++i)
        ASSERT_EQ(image[i], static_cast<std::uint8_t>(i * 7)) << i;
    for (std::size_t i = 0x1F01; i < image.size(); ++i)
        ASSERT_EQ(image[i], 0xFF) << i;
    EXPECT_EQ(fixture.NewCommands(), std::vector<std::string>{"UF"});
}

TEST_F(FirmwareUpdate, NothingIsSentWithoutAUsableFileAndConfirmation)
{
    struct Case
    {
        const char* name;
        QString file;
        QMessageBox::StandardButton checklist;
        QStringList seen;
    };
    const Case cases[] = {
        {"not a hex name",
         WriteFile(QStringLiteral("image.bin"), HexFile(64)),
         QMessageBox::Ok,
         {QStringLiteral("Error")}},
        {"checklist cancelled",
         WriteFile(QStringLiteral("a.hex"), HexFile(64)),
         QMessageBox::Cancel,
         {QStringLiteral("Update Sonavire OS")}},
        {"no records",
         WriteFile(QStringLiteral("empty.hex"), "garbage\r\n"),
         QMessageBox::Ok,
         {QStringLiteral("Update Sonavire OS"), QStringLiteral("Error")}},
    };
    for (const Case& c : cases) {
        const QStringList seen = Start(c.file, c.checklist);
        QStringList titles;
        for (int i = 0; i < seen.size(); i += 2)
            titles << seen[i];
        EXPECT_EQ(titles, c.seen) << c.name;
        EXPECT_FALSE(fixture.Panel().Link().programming) << c.name;
        EXPECT_TRUE(fixture.NewCommands().empty()) << c.name;
    }
}

TEST_F(FirmwareUpdate, ADeviceThatGivesUpStopsTheTransfer)
{
    fixture.Device().AbortTransferAfterPages(2);
    Start(WriteFile(QStringLiteral("image.hex"), HexFile(0x800)), QMessageBox::Ok);
    ASSERT_TRUE(WaitUntilDone());
    EXPECT_EQ(fixture.Status(), "Programming Sonavire Firmware; ERROR! Update Aborted");
    EXPECT_EQ(fixture.Device().PagesReceived(), 2);
}

TEST_F(FirmwareUpdate, ADeviceThatFallsSilentEndsTheWaitAfterTenSeconds)
{
    fixture.Device().InjectFault(Fault::Silence, FaultTrigger::AtCommand("UF"));
    Start(WriteFile(QStringLiteral("image.hex"), HexFile(0x800)), QMessageBox::Ok);
    EXPECT_TRUE(fixture.Panel().Link().programming);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !fixture.Panel().Link().programming; }, 15000));
    EXPECT_EQ(fixture.Panel().StatusText(),
              std::string("Programming Sonavire Firmware; ERROR! No response from Sonavire")
                  .substr(0, 59));
    fixture.Click(ControlRole::ExitButton);
    EXPECT_FALSE(fixture.Panel().isVisible());
}

TEST_F(FirmwareUpdate, AFileTheReaderRefusesIsReportedInItsOwnWords)
{
    QList<QByteArray> lines = HexFile(0x100).split('\n');
    QByteArray& seventh = lines[6];
    seventh[seventh.size() - 2] = seventh[seventh.size() - 2] == '0' ? '1' : '0';
    struct Case
    {
        const char* name;
        QByteArray content;
        const char* said;
    };
    const Case cases[] = {
        {"checksum", lines.join('\n'), "checksum mismatch at line 7"},
        {"address", ":020000040002F8\r\n:0100000000FF\r\n:00000001FF\r\n", "out of range"},
    };
    for (const Case& c : cases) {
        const QStringList seen =
            Start(WriteFile(QStringLiteral("%1.hex").arg(c.name), c.content), QMessageBox::Ok);
        ASSERT_EQ(seen.size(), 4) << c.name;
        EXPECT_EQ(seen[2], QStringLiteral("Error")) << c.name;
        EXPECT_TRUE(seen[3].contains(QString::fromLatin1(c.said))) << seen[3].toStdString();
        EXPECT_FALSE(fixture.Panel().Link().programming) << c.name;
    }
}

// At the wire's own pace every progress text stays long enough to be seen.
class PacedFirmwareUpdate : public FirmwareUpdate
{
protected:
    PacedFirmwareUpdate() : FirmwareUpdate(true) {}
};

TEST_F(PacedFirmwareUpdate, ShowsTheProgressOfEveryPageThenComplete)
{
    std::vector<std::string> shown;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const std::string text = fixture.Status();
        if (shown.empty() || shown.back() != text)
            shown.push_back(text);
    });
    watch.start(2);
    Start(WriteFile(QStringLiteral("image.hex"), HexFile(0x1F00)), QMessageBox::Ok);
    ASSERT_TRUE(WaitUntilDone());
    QTest::qWait(20);

    std::vector<std::string> expected;
    for (int page = 1; page <= 31; ++page) {
        char percent[8];
        std::snprintf(percent, sizeof percent, "%3d%%", (page * 100 * 2 + 31) / 62);
        expected.push_back(std::string("Programming Sonavire Firmware; ") + percent);
    }
    expected.push_back("Programming Sonavire Firmware; Complete!");
    const auto first = std::find(shown.begin(), shown.end(), expected.front());
    ASSERT_NE(first, shown.end());
    EXPECT_EQ(std::vector<std::string>(first, shown.end()), expected);
}

TEST_F(PacedFirmwareUpdate, NothingEndsTheProgramWhileTheImageIsSent)
{
    CControlPanelDlg& panel = fixture.Panel();
    struct Case
    {
        const char* name;
        std::function<bool()> end; // whether the window took the request
    };
    const Case cases[] = {
        {"Esc",
         [&] {
             QTest::keyClick(&panel, Qt::Key_Escape);
             return !panel.isVisible();
         }},
        {"close", [&] { return panel.close(); }},
        {"close event",
         [&] {
             QCloseEvent close;
             QCoreApplication::sendEvent(&panel, &close);
             return close.isAccepted();
         }},
        {"exit button",
         [&] {
             fixture.Click(ControlRole::ExitButton);
             return !panel.isVisible();
         }},
    };
    Start(WriteFile(QStringLiteral("image.hex"), HexFile(0x1F01)), QMessageBox::Ok);
    for (const Case& c : cases) {
        ASSERT_TRUE(panel.Link().programming) << c.name;
        EXPECT_FALSE(c.end()) << c.name;
        EXPECT_TRUE(panel.isVisible()) << c.name;
        EXPECT_EQ(fixture.Status(), "Firmware update in progress - please wait") << c.name;
    }
    ASSERT_TRUE(WaitUntilDone());
    EXPECT_EQ(fixture.Status(), "Programming Sonavire Firmware; Complete!");
    EXPECT_TRUE(QTest::qWaitFor([&] { return fixture.Device().TransferComplete(); }, 2000));
    EXPECT_EQ(fixture.Device().PagesReceived(), 32);
    QTest::keyClick(&panel, Qt::Key_Escape);
    EXPECT_FALSE(panel.isVisible());
}

} // namespace
