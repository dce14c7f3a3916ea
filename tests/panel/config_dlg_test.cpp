#include "panel/config_dlg.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <grp.h>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "serial/serial_port.h"
#include "tests/serial/pty_pair.h"

namespace fs = std::filesystem;

namespace {

enum class Port
{
    Free,     // a pseudo-terminal nobody holds
    Busy,     // held open by another program
    Absent,   // a link whose device is gone
    NotTty,   // a link to something that is no terminal
    Own,      // held open by the panel itself
    OwnAside, // held open by the panel, outside the scanned folder, like the demo's pty
};

// A scratch /dev: links named like adapters lead to real pseudo-terminals, and the dialog's
// port list comes from the real scan and the real probe over them.
class PortRig
{
public:
    PortRig()
    {
        char pattern[] = "/tmp/config-dlg-XXXXXX";
        folder = mkdtemp(pattern);
    }
    ~PortRig()
    {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }

    void Add(const std::string& name, Port state)
    {
        const std::string target = Target(state);
        if (state == Port::Busy || state == Port::Own || state == Port::OwnAside)
            holders.emplace_back(std::make_unique<CSerialPort>())->Open(target);
        if (state == Port::OwnAside)
            aside[name] = target;
        else
            fs::create_symlink(target, folder + "/" + name);
    }

    // The text the dialog shows for a rig port; absolute paths and COMn names stay as they are.
    std::string Text(const std::string& name) const
    {
        if (name.starts_with("/") || name.starts_with("COM"))
            return name;
        const auto found = aside.find(name);
        return found != aside.end() ? found->second : folder + "/" + name;
    }

    std::vector<SerialPortEntry> Scan() const { return ProbeSerialPorts(folder, folder + "/sys"); }

    QString Folder() const { return QString::fromStdString(folder); }

    // A /dev/serial/by-id name, as udev makes one for an adapter.
    std::string AddStable(const std::string& name, const std::string& target) const
    {
        const std::string link = folder + "/serial/by-id/" + name;
        fs::create_directories(folder + "/serial/by-id");
        fs::create_symlink(target, link);
        return link;
    }

    void Remove(const std::string& name) const { fs::remove(folder + "/" + name); }

    std::string NewPty() { return Target(Port::Free); }

    // The device behind a rig port gets an owner, a group and a mode, as udev gives them;
    // the scratch /dev becomes readable to all, as /dev is.
    void Own(const std::string& name, uid_t owner, gid_t group, mode_t mode) const
    {
        ASSERT_EQ(chmod(folder.c_str(), 0755), 0);
        const std::string device = fs::read_symlink(folder + "/" + name);
        ASSERT_EQ(chown(device.c_str(), owner, group), 0);
        ASSERT_EQ(chmod(device.c_str(), mode), 0);
    }

private:
    std::string Target(Port state)
    {
        if (state == Port::Absent)
            return folder + "/unplugged";
        if (state == Port::NotTty)
            return "/dev/null";
        return ptys.emplace_back(std::make_unique<PtyPair>())->SlavePath();
    }

    std::string folder;
    std::map<std::string, std::string> aside;
    std::vector<std::unique_ptr<PtyPair>> ptys;
    std::vector<std::unique_ptr<CSerialPort>> holders;
};

struct BoxSeen
{
    QString caption;
    QString text;
    QMessageBox::Icon icon;
    bool dialogShown;
};

struct Outcome
{
    int result = -1;
    std::vector<BoxSeen> boxes;
};

using Operator = std::function<void(CConfigDlg&)>;

// Runs the dialog modally as the panel does. Message boxes in front of it are noted and
// clicked away; once the dialog itself is up, `operate` plays the operator, who ends it.
Outcome RunModal(CConfigDlg& dialog, const Operator& operate)
{
    Outcome outcome;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            outcome.boxes.push_back(
                {box->windowTitle(), box->text(), box->icon(), dialog.isVisible()});
            QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
        } else if (modal == &dialog) {
            watcher.stop();
            operate(dialog);
            if (dialog.isVisible()) {
                ADD_FAILURE() << "the operator left the dialog open";
                dialog.done(-1);
            }
        }
    });
    watcher.start(5);
    outcome.result = dialog.exec();
    return outcome;
}

QComboBox* Combo(CConfigDlg& dialog)
{
    return dialog.findChild<QComboBox*>();
}

QPushButton* Button(CConfigDlg& dialog, const QString& text)
{
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
        if (button->text() == text)
            return button;
    }
    return nullptr;
}

QStringList Items(QComboBox* combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

void Click(CConfigDlg& dialog, const QString& button)
{
    QTest::mouseClick(Button(dialog, button), Qt::LeftButton);
}

// Opens the list with a click on the arrow at the field's right end and clicks a row.
void PickWithMouse(CConfigDlg& dialog, int row)
{
    QComboBox* combo = Combo(dialog);
    QTest::mouseClick(combo, Qt::LeftButton, {}, QPoint(combo->width() - 4, combo->height() / 2));
    QAbstractItemView* list = combo->view();
    ASSERT_TRUE(QTest::qWaitFor([list] { return list->isVisible(); }));
    const QPoint at = list->visualRect(list->model()->index(row, 0)).center();
    QTest::mouseMove(list->viewport(), at);
    // The popup takes a release that follows its opening at once for the opening click's own.
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
}

void Type(CConfigDlg& dialog, const QString& text)
{
    QTest::keyClick(Combo(dialog), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(Combo(dialog), Qt::Key_Delete);
    QTest::keyClicks(Combo(dialog), text);
}

Operator Then(Operator first, Operator second)
{
    return [first, second](CConfigDlg& dialog) {
        first(dialog);
        second(dialog);
    };
}

Operator PressOk()
{
    return [](CConfigDlg& dialog) { Click(dialog, "OK"); };
}

Operator PressKey(Qt::Key key)
{
    return [key](CConfigDlg& dialog) { QTest::keyClick(Combo(dialog), key); };
}

Operator Pick(int row)
{
    return [row](CConfigDlg& dialog) { PickWithMouse(dialog, row); };
}

Operator Typing(const QString& text)
{
    return [text](CConfigDlg& dialog) { Type(dialog, text); };
}

struct ListCase
{
    const char* name;
    std::vector<std::pair<std::string, Port>> ports;
    std::string portName;
    bool connected;
    std::vector<std::string> listed;
    std::string selected;
};

// Case names rather than bytes in the test listing.
void PrintTo(const ListCase& c, std::ostream* out)
{
    *out << c.name;
}

class PortList : public testing::TestWithParam<ListCase>
{};

TEST_P(PortList, OffersOpenablePortsAndHandsBackTheSelectedOne)
{
    const ListCase& c = GetParam();
    PortRig rig;
    for (const auto& [name, state] : c.ports)
        rig.Add(name, state);
    CConfigDlg dialog(nullptr, [&rig] { return rig.Scan(); });
    dialog.portName = rig.Text(c.portName);
    dialog.connected = c.connected;

    QStringList shown;
    QString selected;
    const Outcome outcome = RunModal(dialog, [&](CConfigDlg& d) {
        shown = Items(Combo(d));
        selected = Combo(d)->currentText();
        Click(d, "OK");
    });

    QStringList expected;
    for (const std::string& name : c.listed)
        expected << QString::fromStdString(rig.Text(name));
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(selected.toStdString(), rig.Text(c.selected));
    EXPECT_TRUE(outcome.boxes.empty());
    EXPECT_EQ(outcome.result, QDialog::Accepted);
    // OK hands back the port the list shows selected.
    EXPECT_EQ(dialog.portName, rig.Text(c.selected));
}

INSTANTIATE_TEST_SUITE_P(
    ConfigDlg, PortList,
    testing::Values(
        ListCase{"FreePortsInNaturalOrder",
                 {{"ttyUSB10", Port::Free}, {"ttyUSB2", Port::Free}, {"ttyACM0", Port::Free}},
                 "COM1",
                 false,
                 {"ttyACM0", "ttyUSB2", "ttyUSB10"},
                 "ttyACM0"},
        ListCase{"BusyGoneAndNonTerminalsLeftOut",
                 {{"ttyUSB0", Port::Busy},
                  {"ttyUSB1", Port::Free},
                  {"ttyUSB2", Port::Absent},
                  {"ttyUSB3", Port::NotTty},
                  {"ttyUSB4", Port::Free}},
                 "COM1",
                 false,
                 {"ttyUSB1", "ttyUSB4"},
                 "ttyUSB1"},
        ListCase{"ConnectedPortListedAndPreselected",
                 {{"ttyUSB0", Port::Free}, {"ttyUSB1", Port::Own}, {"ttyUSB2", Port::Free}},
                 "ttyUSB1",
                 true,
                 {"ttyUSB0", "ttyUSB1", "ttyUSB2"},
                 "ttyUSB1"},
        ListCase{"PortInUseElsewhereLeftOut",
                 {{"ttyUSB0", Port::Free}, {"ttyUSB1", Port::Busy}, {"ttyUSB2", Port::Free}},
                 "ttyUSB1",
                 false,
                 {"ttyUSB0", "ttyUSB2"},
                 "ttyUSB0"},
        ListCase{"ConnectedPortOutsideTheScanAppended",
                 {{"ttyUSB0", Port::Free}, {"demo", Port::OwnAside}},
                 "demo",
                 true,
                 {"ttyUSB0", "demo"},
                 "demo"},
        ListCase{"NameFoundIgnoringCase",
                 {{"ttyUSB0", Port::Free}, {"ttyUSB1", Port::Free}},
                 "TTYUSB1",
                 false,
                 {"ttyUSB0", "ttyUSB1"},
                 "ttyUSB1"},
        ListCase{"NameFoundAsBeginningOfAnItem",
                 {{"ttyUSB0", Port::Free}, {"ttyUSB10", Port::Free}},
                 "ttyUSB1",
                 false,
                 {"ttyUSB0", "ttyUSB10"},
                 "ttyUSB10"}),
    [](const testing::TestParamInfo<ListCase>& info) { return info.param.name; });

struct ChoiceCase
{
    const char* name;
    Operator operate;
    std::string portName;
    int result;
};

void PrintTo(const ChoiceCase& c, std::ostream* out)
{
    *out << c.name;
}

class Choice : public testing::TestWithParam<ChoiceCase>
{};

// Three free ports and a remembered name that matches none, so the first is preselected.
TEST_P(Choice, HandsBackWhatTheOperatorChose)
{
    const ChoiceCase& c = GetParam();
    PortRig rig;
    for (const char* name : {"ttyUSB0", "ttyUSB1", "ttyUSB2"})
        rig.Add(name, Port::Free);
    CConfigDlg dialog(nullptr, [&rig] { return rig.Scan(); });
    dialog.portName = "COM4";

    const Outcome outcome = RunModal(dialog, c.operate);

    EXPECT_EQ(outcome.result, c.result);
    EXPECT_EQ(dialog.portName, rig.Text(c.portName));
}

INSTANTIATE_TEST_SUITE_P(
    ConfigDlg, Choice,
    testing::Values(
        ChoiceCase{"OkTakesThePreselectedPort", PressOk(), "ttyUSB0", QDialog::Accepted},
        ChoiceCase{"EnterTakesThePreselectedPort", PressKey(Qt::Key_Return), "ttyUSB0",
                   QDialog::Accepted},
        ChoiceCase{"MousePicksRow", Then(Pick(2), PressOk()), "ttyUSB2", QDialog::Accepted},
        ChoiceCase{"MousePicksPreselectedRow", Then(Pick(0), PressOk()), "ttyUSB0",
                   QDialog::Accepted},
        ChoiceCase{"DownKeyPicksNextRow", Then(PressKey(Qt::Key_Down), PressOk()), "ttyUSB1",
                   QDialog::Accepted},
        ChoiceCase{"TypedPath", Then(Typing("/dev/ttyS3"), PressOk()), "/dev/ttyS3",
                   QDialog::Accepted},
        ChoiceCase{"TypedPathAndEnter", Then(Typing("/dev/ttyS3"), PressKey(Qt::Key_Return)),
                   "/dev/ttyS3", QDialog::Accepted},
        ChoiceCase{"TypingAfterPicking", Then(Then(Pick(1), Typing("/dev/ttyS3")), PressOk()),
                   "/dev/ttyS3", QDialog::Accepted},
        ChoiceCase{"PickingAfterTyping", Then(Then(Typing("/dev/ttyS3"), Pick(1)), PressOk()),
                   "ttyUSB1", QDialog::Accepted},
        ChoiceCase{"EmptiedFieldKeepsThePort", Then(Typing(""), PressOk()), "COM4",
                   QDialog::Accepted},
        ChoiceCase{"CancelAfterPicking", Then(Pick(1), [](CConfigDlg& d) { Click(d, "Cancel"); }),
                   "COM4", QDialog::Rejected},
        ChoiceCase{"EscapeAfterTyping", Then(Typing("/dev/ttyS3"), PressKey(Qt::Key_Escape)),
                   "COM4", QDialog::Rejected}),
    [](const testing::TestParamInfo<ChoiceCase>& info) { return info.param.name; });

class NoPorts : public testing::TestWithParam<ChoiceCase>
{};

// Every port busy or gone: the box comes up before the dialog, and afterwards only the list
// is out of use.
TEST_P(NoPorts, ReportsThenLeavesTypingAndButtons)
{
    const ChoiceCase& c = GetParam();
    PortRig rig;
    rig.Add("ttyUSB0", Port::Busy);
    rig.Add("ttyUSB1", Port::Absent);
    CConfigDlg dialog(nullptr, [&rig] { return rig.Scan(); });
    dialog.portName = "COM1";

    const Outcome outcome = RunModal(dialog, [&](CConfigDlg& d) {
        EXPECT_FALSE(d.findChild<QLabel*>()->isEnabled());
        EXPECT_EQ(Combo(d)->count(), 0);
        EXPECT_TRUE(Combo(d)->isEnabled());
        EXPECT_TRUE(Button(d, "OK")->isEnabled());
        EXPECT_TRUE(Button(d, "Cancel")->isEnabled());
        c.operate(d);
    });

    ASSERT_EQ(outcome.boxes.size(), 1u);
    EXPECT_EQ(outcome.boxes[0].caption, "Error");
    EXPECT_EQ(outcome.boxes[0].text, "No Serial Ports were detected on this PC!");
    EXPECT_EQ(outcome.boxes[0].icon, QMessageBox::Critical);
    EXPECT_FALSE(outcome.boxes[0].dialogShown);
    EXPECT_EQ(outcome.result, c.result);
    EXPECT_EQ(dialog.portName, c.portName);
}

INSTANTIATE_TEST_SUITE_P(
    ConfigDlg, NoPorts,
    testing::Values(ChoiceCase{"OkKeepsThePort", PressOk(), "COM1", QDialog::Accepted},
                    ChoiceCase{"TypedPath", Then(Typing("/dev/pts/7"), PressOk()), "/dev/pts/7",
                               QDialog::Accepted},
                    ChoiceCase{"CancelKeepsThePort", [](CConfigDlg& d) { Click(d, "Cancel"); },
                               "COM1", QDialog::Rejected}),
    [](const testing::TestParamInfo<ChoiceCase>& info) { return info.param.name; });

// Drops to another user for its lifetime, as far as permission checks go; root keeps its
// saved id and so can come back.
class EffectiveUser
{
public:
    explicit EffectiveUser(uid_t user) { active = seteuid(user) == 0; }
    ~EffectiveUser()
    {
        if (active && seteuid(0) != 0)
            std::abort();
    }
    bool Active() const { return active; }

private:
    bool active = false;
};

constexpr uid_t Nobody = 65534;

// What a user who is not in the device's group meets: the ports are there, marked, and
// choosing one says how to get in; the choice still hands back the bare path.
TEST(ConfigDlg, PortsWithoutPermissionListedWithTheFix)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "changing a device's owner needs root";
    const group* dialout = getgrnam("dialout");
    ASSERT_NE(dialout, nullptr);
    PortRig rig;
    rig.Add("ttyUSB0", Port::Free);
    rig.Add("ttyUSB1", Port::Free);
    rig.Add("ttyUSB2", Port::Free);
    rig.Own("ttyUSB0", Nobody, Nobody, 0600);
    rig.Own("ttyUSB1", 0, dialout->gr_gid, 0660);
    rig.Own("ttyUSB2", 0, 0, 0600);
    CConfigDlg dialog(nullptr, [&rig] {
        EffectiveUser nobody(Nobody);
        EXPECT_TRUE(nobody.Active());
        return rig.Scan();
    });
    dialog.portName = rig.Text("ttyUSB1");

    QStringList shown;
    std::string noteForGroup, noteForOwner, noteForFree;
    const Outcome outcome = RunModal(dialog, [&](CConfigDlg& d) {
        shown = Items(Combo(d));
        const auto note = [&d] {
            for (QLabel* label : d.findChildren<QLabel*>()) {
                if (label->wordWrap())
                    return (label->isVisible() ? label->text() : QStringLiteral("(hidden)"))
                        .toStdString();
            }
            return std::string("(none)");
        };
        noteForGroup = note();
        PickWithMouse(d, 2);
        noteForOwner = note();
        QTest::keyClick(Combo(d), Qt::Key_Up);
        QTest::keyClick(Combo(d), Qt::Key_Up);
        noteForFree = note();
        PickWithMouse(d, 1);
        Click(d, "OK");
    });

    const std::string path1 = rig.Text("ttyUSB1");
    const std::string path2 = rig.Text("ttyUSB2");
    EXPECT_EQ(shown, QStringList({QString::fromStdString(rig.Text("ttyUSB0")),
                                  QString::fromStdString(path1 + " (no permission)"),
                                  QString::fromStdString(path2 + " (no permission)")}));
    EXPECT_TRUE(outcome.boxes.empty());
    EXPECT_EQ(noteForGroup, "You may not open " + path1 +
                                ": it belongs to the group dialout. Join that group (sudo "
                                "usermod -aG dialout $USER), then log out and in again.");
    EXPECT_EQ(noteForOwner, "You may not open " + path2 +
                                ": only its owner may. Ask the administrator of this computer "
                                "for access to it.");
    EXPECT_EQ(noteForFree, "");
    EXPECT_EQ(outcome.result, QDialog::Accepted);
    EXPECT_EQ(dialog.portName, rig.Text("ttyUSB1"));
}

// The common case of one adapter the user may not open: it is the first item, preselected,
// and its note shows from the start, whole.
TEST(ConfigDlg, TheOnlyPortWithoutPermissionShowsItsNoteAtOnce)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "changing a device's owner needs root";
    PortRig rig;
    rig.Add("ttyUSB0", Port::Free);
    rig.Own("ttyUSB0", 0, getgrnam("dialout")->gr_gid, 0660);
    CConfigDlg dialog(nullptr, [&rig] {
        EffectiveUser nobody(Nobody);
        return rig.Scan();
    });
    dialog.portName = "COM1";

    QLabel* note = nullptr;
    const Outcome outcome = RunModal(dialog, [&](CConfigDlg& d) {
        for (QLabel* label : d.findChildren<QLabel*>())
            note = label->wordWrap() ? label : note;
        ASSERT_NE(note, nullptr);
        EXPECT_TRUE(note->isVisible());
        EXPECT_TRUE(note->text().startsWith("You may not open " +
                                            QString::fromStdString(rig.Text("ttyUSB0"))));
        // Nothing of the text is cut off at the bottom or the right of the dialog.
        const QRect needed = note->fontMetrics().boundingRect(QRect(0, 0, note->width(), 1000),
                                                              Qt::TextWordWrap, note->text());
        EXPECT_LE(needed.height(), note->height());
        EXPECT_LE(note->geometry().bottom(), d.height());
        Click(d, "Cancel");
    });
    EXPECT_TRUE(outcome.boxes.empty());
}

TEST(ConfigDlg, CompactDialogWithListFramedLeftOfTheButtons)
{
    SerialPortEntry port;
    port.path = "/dev/ttyS0";
    port.probe = PortProbe::Free;
    CConfigDlg dialog(nullptr, [port] { return std::vector<SerialPortEntry>{port}; });
    dialog.show();

    EXPECT_EQ(dialog.windowTitle(), "Sonavire Configuration");
    EXPECT_EQ(dialog.size(), QSize(273, 102));
    const QRect frame = dialog.findChild<QGroupBox*>()->geometry();
    const QRect label = dialog.findChild<QLabel*>()->geometry();
    const QRect list = Combo(dialog)->geometry();
    EXPECT_TRUE(frame.contains(label) && frame.contains(list));
    EXPECT_LT(label.bottom(), list.top());
    for (const char* text : {"OK", "Cancel"})
        EXPECT_GT(Button(dialog, text)->geometry().left(), frame.right());
    EXPECT_TRUE(Button(dialog, "OK")->isDefault());
}

struct LengthCase
{
    const char* name;
    std::size_t length;
    bool shownWhole;
};

void PrintTo(const LengthCase& c, std::ostream* out)
{
    *out << c.name;
}

class PortField : public testing::TestWithParam<LengthCase>
{};

// The field shows its longest entry whole, start and end at once, as far as the screen allows;
// the buttons stay right of the frame.
TEST_P(PortField, GrowsToItsLongestEntryWithinTheScreen)
{
    SerialPortEntry shortPort, longPort;
    shortPort.path = "/dev/ttyS0";
    longPort.path = "/dev/serial/by-id/usb-" + std::string(GetParam().length, 'W') + "-if00";
    shortPort.probe = longPort.probe = PortProbe::Free;
    CConfigDlg dialog(nullptr, [&] { return std::vector<SerialPortEntry>{shortPort, longPort}; });
    dialog.portName = longPort.path;
    dialog.show();

    QLineEdit* field = Combo(dialog)->lineEdit();
    const int screenWidth = dialog.screen()->availableGeometry().width();
    field->end(false);
    // The field scrolls its text as it paints.
    field->grab();
    if (GetParam().shownWhole) {
        EXPECT_EQ(field->cursorPositionAt(QPoint(field->contentsRect().left() + 1, 1)), 0);
    }
    EXPECT_LE(dialog.width(), screenWidth);
    EXPECT_GT(Button(dialog, "OK")->geometry().left(),
              dialog.findChild<QGroupBox*>()->geometry().right());
    EXPECT_LE(Button(dialog, "OK")->geometry().right(), dialog.width());
}

INSTANTIATE_TEST_SUITE_P(ConfigDlg, PortField,
                         testing::Values(LengthCase{"LongStableName", 20, true},
                                         LengthCase{"NameWiderThanTheScreen", 400, false}),
                         [](const testing::TestParamInfo<LengthCase>& info) {
                             return info.param.name;
                         });

struct StableCase
{
    const char* name;
    std::string stableTarget;
    std::string portName;
    std::string selected;
};

void PrintTo(const StableCase& c, std::ostream* out)
{
    *out << c.name;
}

class StableName : public testing::TestWithParam<StableCase>
{};

// Two adapters, one with a by-id name: the dialog finds the adapter a remembered name means,
// whatever number it has now, and hands back its by-id name.
TEST_P(StableName, FindsTheAdapterAndHandsBackItsLastingName)
{
    const StableCase& c = GetParam();
    PortRig rig;
    rig.Add("ttyUSB0", Port::Free);
    rig.Add("ttyUSB1", Port::Free);
    const std::string stable =
        rig.AddStable("usb-FTDI_FT232R_USB_UART_A12345-if00-port0", "../../" + c.stableTarget);
    CConfigDlg dialog(
        nullptr, [&rig] { return rig.Scan(); }, rig.Folder());
    dialog.portName = c.portName == "stable" ? stable : rig.Text(c.portName);

    QString selected;
    const Outcome outcome = RunModal(dialog, [&](CConfigDlg& d) {
        selected = Combo(d)->currentText();
        Click(d, "OK");
    });

    EXPECT_EQ(selected.toStdString(), rig.Text(c.selected));
    EXPECT_EQ(outcome.result, QDialog::Accepted);
    EXPECT_EQ(dialog.portName, c.selected == c.stableTarget ? stable : rig.Text(c.selected));
}

INSTANTIATE_TEST_SUITE_P(
    ConfigDlg, StableName,
    testing::Values(StableCase{"OldDevicePathBecomesTheStableName", "ttyUSB1", "ttyUSB1",
                               "ttyUSB1"},
                    StableCase{"StableNameFindsTheAdapter", "ttyUSB1", "stable", "ttyUSB1"},
                    StableCase{"StableNameFollowsRenumbering", "ttyUSB0", "stable", "ttyUSB0"},
                    StableCase{"AdapterWithoutOneKeepsItsPath", "ttyUSB1", "ttyUSB0", "ttyUSB0"}),
    [](const testing::TestParamInfo<StableCase>& info) { return info.param.name; });

constexpr int PlugWaitMs = 10000;

// Adapters plugged in and out while the dialog is open come and go in its list, the by-id
// folder included when it appears only with them; the operator's choice stays.
TEST(ConfigDlg, ListFollowsAdaptersPluggedInAndOut)
{
    PortRig rig;
    rig.Add("ttyUSB1", Port::Free);
    const std::string later = rig.NewPty();
    CConfigDlg dialog(
        nullptr, [&rig] { return rig.Scan(); }, rig.Folder());
    dialog.portName = rig.Text("ttyUSB1");

    std::string stable;
    const auto shows = [](CConfigDlg& d, const QStringList& items) {
        return QTest::qWaitFor([&] { return Items(Combo(d)) == items; }, PlugWaitMs);
    };
    const QString usb0 = QString::fromStdString(rig.Text("ttyUSB0"));
    const QString usb1 = QString::fromStdString(rig.Text("ttyUSB1"));
    const Outcome outcome = RunModal(dialog, [&](CConfigDlg& d) {
        EXPECT_EQ(Items(Combo(d)), QStringList({usb1}));
        stable = rig.AddStable("usb-Generic_CDC_Serial_Port_0123456789AB-if00", later);
        EXPECT_TRUE(shows(d, {usb1, QString::fromStdString(stable)}));
        rig.Add("ttyUSB0", Port::Free);
        EXPECT_TRUE(shows(d, {usb0, usb1, QString::fromStdString(stable)}));
        EXPECT_EQ(Combo(d)->currentText(), usb1);
        rig.Remove("ttyUSB0");
        EXPECT_TRUE(shows(d, {usb1, QString::fromStdString(stable)}));
        EXPECT_EQ(Combo(d)->currentText(), usb1);
        Click(d, "OK");
    });

    EXPECT_EQ(outcome.result, QDialog::Accepted);
    EXPECT_EQ(dialog.portName, rig.Text("ttyUSB1"));
}

} // namespace
