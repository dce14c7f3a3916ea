#include "tests/panel/panel_fixture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <QMessageBox>
#include <QPushButton>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "storage/settings_file.h"

namespace {

QByteArray Contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Confirms every question (such as replacing a file) and closes the error box that ends the
// command, noting each box's title and text.
ModalAnswer AnswerBoxesUntilError(QStringList& seen)
{
    return ModalAnswer([&seen](QWidget& modal) {
        auto* box = qobject_cast<QMessageBox*>(&modal);
        if (!box)
            return false;
        seen << box->windowTitle() << box->text();
        box->button(box->button(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok)->click();
        return box->windowTitle() == QStringLiteral("Error");
    });
}

// Edits a few values through the panel's own controls.
void EditSomeStrips(PanelFixture& fixture)
{
    fixture.Click(FilterType::High, 2);
    fixture.Click(ControlRole::GainLock, 5);
    QTest::keyClick(fixture.Panel().Control(ControlRole::GainFader, MasterStrip), Qt::Key_Up);
}

TEST(SettingsFiles, SaveWritesTheWholePanelUnderTheChosenName)
{
    struct Case
    {
        const char* typed;
        const char* written;
    };
    const Case cases[] = {{"show", "show.snv"}, {"show.SNV", "show.SNV"}, {"show.", "show.snv"}};
    for (const Case& c : cases) {
        QTemporaryDir folder;
        PanelFixture fixture;
        EditSomeStrips(fixture);
        const ModalAnswer dialog = ChooseFile(folder.filePath(QString::fromLatin1(c.typed)));
        fixture.Click(ControlRole::SaveButton);
        EXPECT_TRUE(dialog.Answered()) << c.typed;
        const QString written = folder.filePath(QString::fromLatin1(c.written));
        EXPECT_EQ(Contents(written).toStdString(), SettingsFileText(fixture.Panel().Settings()))
            << c.typed;
        EXPECT_EQ(fixture.Status(), "Settings Saved") << c.typed;
    }
}

TEST(SettingsFiles, AWrongExtensionIsRefusedWithAMessage)
{
    QTemporaryDir folder;
    PanelFixture fixture;
    const QString path = folder.filePath(QStringLiteral("show.txt"));
    Write(path, "keep");
    QStringList seen;
    const ModalAnswer dialog = ChooseFile(path);
    const ModalAnswer box = ModalAnswer::CloseMessageBox(seen);
    fixture.Click(ControlRole::LoadButton);
    EXPECT_TRUE(box.Answered());
    EXPECT_EQ(seen, QStringList({QStringLiteral("Error"),
                                 QStringLiteral("This is not a valid Sonavire file!")}));
    EXPECT_EQ(fixture.Panel().Settings(), PanelSettings{});
}

TEST(SettingsFiles, ASaveThatCannotBeWrittenKeepsThePreviousFileAndSaysWhy)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("show.snv"));
    Write(path, "[MASTER]\r\nGain=1.00\r\n");
    ASSERT_EQ(chmod(folder.path().toLocal8Bit().constData(), 0555), 0);
    PanelFixture fixture;
    EditSomeStrips(fixture);
    QStringList seen;
    const ModalAnswer dialog = ChooseFile(path);
    const ModalAnswer boxes = AnswerBoxesUntilError(seen);
    fixture.Click(ControlRole::SaveButton);
    chmod(folder.path().toLocal8Bit().constData(), 0755);
    EXPECT_TRUE(boxes.Answered());
    EXPECT_EQ(Contents(path), QByteArray("[MASTER]\r\nGain=1.00\r\n"));
    ASSERT_GE(seen.size(), 2);
    EXPECT_EQ(seen[seen.size() - 2], QStringLiteral("Error"));
    EXPECT_TRUE(seen.back().contains(path)) << seen.back().toStdString();
    EXPECT_EQ(fixture.Status(), "Saving Settings to File....");
    fixture.Tick();
    EXPECT_EQ(fixture.Status(), "Disconnected; Offline Mode");
}

// A FIFO would hold a load for ever and a save through a link would replace what it points
// at; the panel says why and leaves both alone.
TEST(SettingsFiles, OnlyRegularFilesAreLoadedOrReplaced)
{
    QTemporaryDir folder;
    const QString fifo = folder.filePath(QStringLiteral("pipe.snv"));
    ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    const QString link = folder.filePath(QStringLiteral("link.snv"));
    ASSERT_TRUE(QFile::link(fifo, link));
    struct Case
    {
        ControlRole button;
        QString chosen;
    };
    for (const Case& c :
         {Case{ControlRole::LoadButton, fifo}, Case{ControlRole::SaveButton, link}}) {
        PanelFixture fixture;
        EditSomeStrips(fixture);
        QCoreApplication::processEvents();
        const PanelSettings edited = fixture.Panel().Settings();
        QStringList seen;
        const ModalAnswer dialog = ChooseFile(c.chosen);
        const ModalAnswer boxes = AnswerBoxesUntilError(seen);
        fixture.Click(c.button);
        EXPECT_TRUE(boxes.Answered()) << c.chosen.toStdString();
        ASSERT_GE(seen.size(), 2);
        EXPECT_EQ(seen[seen.size() - 2], QStringLiteral("Error"));
        EXPECT_TRUE(seen.back().contains(QStringLiteral("not a regular file")))
            << seen.back().toStdString();
        EXPECT_EQ(fixture.Panel().Settings(), edited);
        struct stat info
        {};
        ASSERT_EQ(stat(fifo.toLocal8Bit().constData(), &info), 0);
        EXPECT_TRUE(S_ISFIFO(info.st_mode));
    }
}

TEST(SettingsFiles, LoadingWhileLiveDownloadsEveryChannelInOrder)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("show.snv"));
    Write(path, "[CHANNEL2]\r\nFreq=250\r\nFilter=NO\r\n[MASTER]\r\nGain=4\r\n");
    for (const bool refused : {false, true}) {
        PanelFixture fixture;
        CEmulatedDevice& device = fixture.StartDevice();
        fixture.GoLive();
        if (refused)
            device.InjectFault(Fault::Refusal, FaultTrigger::AtCommandPrefix("NO"));
        const ModalAnswer dialog = ChooseFile(path);
        fixture.Click(ControlRole::LoadButton);
        const std::vector<std::string> commands = fixture.NewCommands();
        ASSERT_EQ(commands.size(), 16u);
        EXPECT_EQ(commands[0], "FL-1000.000-0.710-0.00001CC");
        EXPECT_EQ(commands[1], "NO-250.000-0.710-0.00002CC");
        EXPECT_EQ(commands[15], "FL-1000.000-0.710-0.00016CC");
        EXPECT_EQ(fixture.Status(), refused ? "Download Failed! Check connection and try again."
                                            : "Settings Downloaded Successfully!");
        EXPECT_EQ(fixture.Panel().Settings()[MasterStrip].gain, 4.0);
        EXPECT_EQ(device.Settings()[1].filter, refused ? FilterType::Flat : FilterType::Notch);
    }
}

TEST(SettingsFiles, LoadingOfflineShowsTheFileAndSendsNothing)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("show.snv"));
    Write(path, "[CHANNEL3]\r\nFilter=lp\r\nQLock=1\r\n[channel4]\r\nFILTER=LP\r\n");
    PanelFixture fixture;
    fixture.Click(FilterType::Tone, 2); // a type that an unknown token keeps
    const ModalAnswer dialog = ChooseFile(path);
    fixture.Click(ControlRole::LoadButton);
    const PanelSettings& settings = fixture.Panel().Settings();
    EXPECT_EQ(settings[2].filter, FilterType::Tone);
    EXPECT_TRUE(settings[2].qLock);
    EXPECT_EQ(settings[3].filter, FilterType::Low);
    EXPECT_EQ(settings[2].q, 0.71);
    EXPECT_EQ(fixture.Status(), "Settings Loaded");
}

} // namespace
