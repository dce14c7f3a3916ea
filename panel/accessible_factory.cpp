#include "panel/accessible_factory.h"

#include <QAccessible>
#include <QCoreApplication>

#include <utility>

#include "controls/accessible_button.h"
#include "controls/accessible_readout.h"
#include "controls/accessible_slider.h"
#include "controls/focus_mark.h"
#include "panel/accessible_names.h"
#include "panel/accessible_panel.h"
#include "panel/control_panel_dlg.h"

namespace {

// The scale a knob or fader was set up with, and the setting it edits.
struct EditedValue
{
    const ValueScale& scale;
    double StripSettings::*value;
};

EditedValue ValueOf(ControlRole role)
{
    switch (role) {
    case ControlRole::FrequencyKnob:
        return {FrequencyScale, &StripSettings::freq};
    case ControlRole::QKnob:
        return {QScale, &StripSettings::q};
    default:
        return {GainScale, &StripSettings::gain};
    }
}

QAccessibleInterface* SliderInterface(CControlPanelDlg* panel, CSkinnedSlider* slider,
                                      const ControlEntry& entry)
{
    const ControlRole role = entry.role;
    const int strip = entry.strip;
    const EditedValue edited = ValueOf(role);
    return new CAccessibleSlider(
        slider, entry.kind == ControlClass::Knob ? QAccessible::Dial : QAccessible::Slider,
        ControlName(entry), edited.scale,
        [panel, strip, value = edited.value] { return panel->Settings()[strip].*value; },
        [role](double value) { return ValueText(role, value); });
}

// Filter keys and locks stand for a setting of their channel; the other buttons are plain.
CAccessibleButton::CheckedSource CheckedSourceOf(CControlPanelDlg* panel, const ControlEntry& entry)
{
    const int strip = entry.strip;
    switch (entry.role) {
    case ControlRole::FilterButton: {
        const auto type = static_cast<FilterType>(entry.filterType);
        return [panel, strip, type] { return panel->Settings()[strip].filter == type; };
    }
    case ControlRole::FrequencyLock:
        return [panel, strip] { return panel->Settings()[strip].freqLock; };
    case ControlRole::QLock:
        return [panel, strip] { return panel->Settings()[strip].qLock; };
    case ControlRole::GainLock:
        return [panel, strip] { return panel->Settings()[strip].gainLock; };
    default:
        return {};
    }
}

QAccessibleInterface* ButtonInterface(CControlPanelDlg* panel, QAbstractButton* button,
                                      const ControlEntry& entry)
{
    CAccessibleButton::CheckedSource checked = CheckedSourceOf(panel, entry);
    const QAccessible::Role role = !checked ? QAccessible::Button
                                   : entry.role == ControlRole::FilterButton
                                       ? QAccessible::RadioButton
                                       : QAccessible::CheckBox;
    return new CAccessibleButton(
        button, role, [button, &entry] { return ControlName(entry, button->toolTip()); },
        std::move(checked));
}

QAccessibleInterface* ReadoutInterface(CBitmapFontStatic* readout, const ControlEntry& entry)
{
    const ControlRole role = entry.role;
    return new CAccessibleReadout(readout, ControlName(entry),
                                  [readout, role] { return ShownText(role, readout->Text()); });
}

// The lamp is lit while the device's own front panel has the volume, which only a live link
// can tell; offline it is out.
QAccessibleInterface* LampInterface(CControlPanelDlg* panel, CTransBitmap* lamp,
                                    const ControlEntry& entry)
{
    return new CAccessibleReadout(lamp, ControlName(entry), [panel] {
        const CDeviceLink& link = panel->Link();
        return LampText(link.mode != ControlMode::Offline && !link.frontPanelLocked);
    });
}

// Each control is matched by its own class: while a widget is being destroyed it is only a
// QWidget, and an interface made for it then would stay cached for whatever object is next
// made at its address.
QAccessibleInterface* CreateInterface(const QString&, QObject* object)
{
    if (auto* panel = qobject_cast<CControlPanelDlg*>(object))
        return new CAccessiblePanel(panel);
    auto* control = qobject_cast<QWidget*>(object);
    auto* panel = control ? qobject_cast<CControlPanelDlg*>(control->parentWidget()) : nullptr;
    const ControlEntry* entry = FindControl(CControlPanelDlg::ControlId(object));
    if (!panel || !entry || panel->Control(entry->id) != control)
        return nullptr;
    switch (entry->kind) {
    case ControlClass::Knob:
    case ControlClass::Slider:
        if (auto* slider = qobject_cast<CSkinnedSlider*>(object))
            return SliderInterface(panel, slider, *entry);
        break;
    case ControlClass::Button:
        if (auto* button = qobject_cast<QAbstractButton*>(object))
            return ButtonInterface(panel, button, *entry);
        break;
    case ControlClass::FontStatic:
        if (auto* readout = qobject_cast<CBitmapFontStatic*>(object))
            return ReadoutInterface(readout, *entry);
        break;
    case ControlClass::TransBitmap:
        if (auto* lamp = qobject_cast<CTransBitmap*>(object))
            return LampInterface(panel, lamp, *entry);
        break;
    case ControlClass::DragArea:
        break;
    }
    return nullptr;
}

// Qt makes and keeps an interface for a control the first time the control reports a change,
// which it does while the window sets its controls up: the factory is there from the start.
void InstallFactory()
{
    QAccessible::installFactory(&CreateInterface);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(InstallFactory)

void MakeAccessible(CControlPanelDlg& panel)
{
    if (panel.findChild<CFocusMark*>(QString(), Qt::FindDirectChildrenOnly))
        return;
    auto* mark = new CFocusMark(&panel);
    QWidget* previous = nullptr;
    for (const ControlEntry* entry : ReadingOrder()) {
        QWidget* control = panel.Control(entry->id);
        if (!(control->focusPolicy() & Qt::TabFocus))
            continue;
        mark->Follow(control);
        if (previous)
            QWidget::setTabOrder(previous, control);
        previous = control;
    }
}
