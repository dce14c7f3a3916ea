#include "tests/controls/hand.h"
#include "tests/panel/panel_fixture.h"

#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include "storage/port_preference.h"
#include "storage/settings_file.h"

namespace {

using enum ControlRole;

void PressKeys(PanelFixture& fixture, QKeySequence keys)
{
    QTest::keySequence(&fixture.Panel(), keys);
    QCoreApplication::processEvents();
}

void KeyStep(PanelFixture& fixture, ControlRole role, int strip)
{
    QWidget* control = fixture.Panel().Control(role, strip);
    control->setFocus();
    QTest::keyClick(control, Qt::Key_Up);
    QCoreApplication::processEvents();
}

void Drag(PanelFixture& fixture, ControlRole role, int strip)
{
    QWidget* control = fixture.Panel().Control(role, strip);
    Hand hand(*control, control->rect().center());
    hand.Move(0, -12);
    hand.Move(0, -12);
    hand.Release();
    QCoreApplication::processEvents();
}

std::string WriteFile(const QTemporaryDir& folder, const PanelSettings& settings)
{
    const std::string path = folder.filePath(QStringLiteral("show.snv")).toStdString();
    std::string reason;
    EXPECT_TRUE(WriteSettingsFile(path, settings, reason)) << reason;
    return path;
}

PanelSettings ASettingsFile()
{
    PanelSettings settings;
    settings[4] = {250, 2.5, 6.5, FilterType::Notch, true, false, true};
    return settings;
}

// Each completed edit is one step back and one step forward, whatever it moved.
TEST(EditHistory, EachKindOfEditIsUndoneAndRedoneWhole)
{
    QTemporaryDir folder;
    const std::string file = WriteFile(folder, ASettingsFile());
    struct Case
    {
        const char* name;
        std::function<void(PanelFixture&)> edit;
    };
    const Case cases[] = {
        {"a fader drag", [](PanelFixture& f) { Drag(f, GainFader, 2); }},
        {"a knob drag", [](PanelFixture& f) { Drag(f, FrequencyKnob, 7); }},
        {"a key step", [](PanelFixture& f) { KeyStep(f, QKnob, 0); }},
        {"a filter key", [](PanelFixture& f) { f.Click(FilterType::High, 5); }},
        {"a lock", [](PanelFixture& f) { f.Click(QLock, 9); }},
        {"a master move with its followers",
         [](PanelFixture& f) {
             f.Click(GainLock, 1);
             f.Click(GainLock, 3);
             f.Panel().History().clear();
             Drag(f, GainFader, MasterStrip);
         }},
        {"a loaded file", [&](PanelFixture& f) { f.Panel().LoadSettingsFile(file); }},
    };
    for (const Case& c : cases) {
        PanelFixture fixture;
        fixture.Tick(0);
        c.edit(fixture);
        const PanelSettings edited = fixture.Panel().Settings();
        ASSERT_NE(edited, PanelSettings{}) << c.name;
        EXPECT_EQ(fixture.Panel().History().count() > 0, true) << c.name;
        PressKeys(fixture, QKeySequence::Undo);
        if (std::string(c.name).starts_with("a master")) {
            EXPECT_EQ(fixture.Panel().Settings()[1].gain, 0) << c.name;
            EXPECT_EQ(fixture.Panel().Settings()[3].gain, 0) << c.name;
            EXPECT_EQ(fixture.Panel().Settings()[MasterStrip].gain, 0) << c.name;
        } else {
            EXPECT_EQ(fixture.Panel().Settings(), PanelSettings{}) << c.name;
        }
        PressKeys(fixture, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
        EXPECT_EQ(fixture.Panel().Settings(), edited) << c.name;
    }
}

// Live, undoing sends what it restores, as the edit itself did.
TEST(EditHistory, UndoingLiveSendsTheRestoredValues)
{
    PanelFixture fixture;
    fixture.StartDevice();
    fixture.Tick(0);
    fixture.GoLive();
    KeyStep(fixture, GainFader, 2);
    fixture.Click(FilterType::Low, 2);
    EXPECT_EQ(fixture.NewCommands(), (std::vector<std::string>{"0.04003GA", "LP03FI"}));
    PressKeys(fixture, QKeySequence::Undo);
    PressKeys(fixture, QKeySequence::Undo);
    EXPECT_EQ(fixture.NewCommands(), (std::vector<std::string>{"FL03FI", "0.00003GA"}));
    EXPECT_EQ(fixture.Device().Settings()[2], fixture.Panel().Settings()[2]);
}

// Closing asks only when something would be lost, and what it offers keeps it.
TEST(EditHistory, ClosingWithLostEditsAsks)
{
    struct Case
    {
        const char* name;
        bool live;
        bool edit;
        QMessageBox::StandardButton answer;
        bool closes;
        std::vector<std::string> wire;
    };
    const Case cases[] = {
        {"offline, no edit", false, false, QMessageBox::NoButton, true, {}},
        {"offline edit discarded", false, true, QMessageBox::Discard, true, {}},
        {"offline edit, cancel", false, true, QMessageBox::Cancel, false, {}},
        {"live, no edit", true, false, QMessageBox::NoButton, true, {}},
        {"live edit discarded", true, true, QMessageBox::Discard, true, {}},
        {"live edit stored", true, true, QMessageBox::Save, true, {"ST"}},
    };
    for (const Case& c : cases) {
        PanelFixture fixture;
        fixture.StartDevice();
        fixture.Tick(0);
        if (c.live)
            fixture.GoLive();
        if (c.edit)
            fixture.Click(FilterType::Notch, 0);
        fixture.NewCommands();
        EXPECT_EQ(fixture.Panel().HasUnsavedChanges(), c.edit) << c.name;
        QStringList seen;
        const ModalAnswer answer([&](QWidget& modal) {
            auto* box = qobject_cast<QMessageBox*>(&modal);
            if (!box)
                return false;
            seen << box->text();
            for (QAbstractButton* button : box->buttons()) {
                const bool keeps = box->buttonRole(button) == QMessageBox::AcceptRole;
                if (c.answer == QMessageBox::Save ? keeps : box->standardButton(button) == c.answer)
                    button->click();
            }
            return true;
        });
        fixture.Click(ExitButton);
        EXPECT_EQ(!fixture.Panel().isVisible(), c.closes) << c.name;
        EXPECT_EQ(seen.isEmpty(), c.answer == QMessageBox::NoButton) << c.name;
        std::vector<std::string> wire = fixture.NewCommands();
        std::erase(wire, "LP01FI");
        EXPECT_EQ(wire, c.wire) << c.name;
    }
}

TEST(EditHistory, TheStatusRotationSaysSoWhileChangesAreUnsaved)
{
    PanelFixture fixture;
    fixture.Tick(0);
    fixture.Click(QLock, 0);
    bool said = false;
    for (int tick = 0; tick < 30 && !said; ++tick) {
        fixture.Tick();
        said = fixture.Status() == "Unsaved Changes";
    }
    EXPECT_TRUE(said);
}

// A file dropped on the window is loaded and joins the recent files, newest first.
TEST(EditHistory, ADroppedFileIsLoadedAndRemembered)
{
    QTemporaryDir folder;
    const std::string file = WriteFile(folder, ASettingsFile());
    PanelFixture fixture;
    WriteRecentFiles({"/elsewhere/old.snv", file});
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(file))});
    const QPoint at = fixture.Panel().rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&fixture.Panel(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&fixture.Panel(), &drop);
    EXPECT_EQ(fixture.Panel().Settings()[4], ASettingsFile()[4]);
    EXPECT_EQ(fixture.Panel().RecentFiles(),
              (QStringList{QString::fromStdString(file), QStringLiteral("/elsewhere/old.snv")}));
    EXPECT_FALSE(fixture.Panel().HasUnsavedChanges());
    WriteRecentFiles({});
}

} // namespace
