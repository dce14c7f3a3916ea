#include "tests/panel/panel_fixture.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// What the one-second poll asks whenever it runs; a test of a handler's wire traffic leaves
// these out, since a tick may fall inside any handler.
bool IsPollQuery(const std::string& line)
{
    return line == "?M" || line == "?V" || line == "FP" || line == "QS";
}

void ClickCentre(QWidget& control)
{
    QTest::mouseClick(&control, Qt::LeftButton, {}, control.rect().center());
}

} // namespace

PanelFixture::PanelFixture(const std::string& startupFile)
    : panel(std::make_unique<CControlPanelDlg>(startupFile))
{
    panel->show();
    [[maybe_unused]] const bool exposed = QTest::qWaitForWindowExposed(panel.get());
}

PanelFixture::~PanelFixture()
{
    panel.reset();
    if (device)
        device->Stop();
}

CEmulatedDevice& PanelFixture::StartDevice(EmulatorOptions options)
{
    device = std::make_unique<CEmulatedDevice>(options);
    std::string error;
    EXPECT_TRUE(device->Start(error)) << error;
    panel->SetPortName(device->PortPath(), false);
    return *device;
}

void PanelFixture::GoLive()
{
    Click(ControlRole::ModeButton);
    ASSERT_EQ(panel->Link().mode, ControlMode::Live);
    NewCommands();
}

std::vector<std::string> PanelFixture::NewCommands()
{
    const std::vector<std::string> lines = device->ReceivedLines();
    std::vector<std::string> commands;
    for (std::size_t i = commandsSeen; i < lines.size(); ++i) {
        if (!IsPollQuery(lines[i]))
            commands.push_back(lines[i]);
    }
    commandsSeen = lines.size();
    return commands;
}

void PanelFixture::Tick(int times)
{
    for (QTimer* clock : panel->findChildren<QTimer*>(Qt::FindDirectChildrenOnly))
        clock->stop();
    for (int i = 0; i < times; ++i)
        panel->OnTimer();
}

bool PanelFixture::LampLit() const
{
    const QWidget* lamp = panel->Control(ControlRole::FrontPanelLamp);
    const QRgb pixel = panel->grab().toImage().pixel(lamp->geometry().center());
    return qRed(pixel) > 150 && qGreen(pixel) < 100 && qBlue(pixel) < 100;
}

void PanelFixture::Click(ControlRole role, int strip)
{
    ClickCentre(*panel->Control(role, strip));
}

void PanelFixture::Click(FilterType type, int channel)
{
    ClickCentre(*panel->Control(ControlRole::FilterButton, channel, static_cast<int>(type)));
}

std::string PanelFixture::Status() const
{
    std::string text = panel->StatusText();
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

ModalAnswer::~ModalAnswer()
{
    delete poll;
}

ModalAnswer::ModalAnswer(std::function<bool(QWidget&)> answer) : poll(new QTimer(qApp))
{
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [timer = poll.data(), answer, done = answered] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible() || !answer(*modal))
            return;
        timer->stop();
        *done = true;
    });
    poll->start();
}

ModalAnswer ModalAnswer::CloseMessageBox(QStringList& seen)
{
    return ModalAnswer([&seen](QWidget& modal) {
        if (qobject_cast<QFileDialog*>(&modal))
            return false;
        auto* box = qobject_cast<QMessageBox*>(&modal);
        seen << modal.windowTitle() << (box ? box->text() : QString());
        if (!box)
            qobject_cast<QDialog*>(&modal)->reject();
        else if (box->button(QMessageBox::Yes))
            box->button(QMessageBox::Yes)->click();
        else if (box->button(QMessageBox::Cancel))
            box->button(QMessageBox::Cancel)->click();
        else
            box->defaultButton()->click();
        return true;
    });
}

ModalAnswer ModalAnswer::Press(QMessageBox::StandardButton button, QStringList* seen)
{
    return ModalAnswer([button, seen](QWidget& modal) {
        auto* box = qobject_cast<QMessageBox*>(&modal);
        if (!box || !box->button(button))
            return false;
        if (seen)
            *seen << box->text() << box->informativeText();
        box->button(button)->click();
        return true;
    });
}

ModalAnswer ChooseFile(const QString& path)
{
    return ModalAnswer([path](QWidget& modal) {
        auto* dialog = qobject_cast<QFileDialog*>(&modal);
        if (!dialog)
            return false;
        if (path.isEmpty()) {
            dialog->reject();
        } else {
            // As the operator does it: go to the folder, type the name, press Enter.
            const QFileInfo file(path);
            dialog->setDirectory(file.absolutePath());
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            name->clear();
            QTest::keyClicks(name, file.fileName());
            QTest::keyClick(name, Qt::Key_Return);
            if (dialog->isVisible()) {
                ADD_FAILURE() << "the file dialog did not take " << path.toStdString();
                dialog->reject();
            }
        }
        return true;
    });
}
