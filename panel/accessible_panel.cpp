#include "panel/accessible_panel.h"

#include "panel/accessible_names.h"
#include "panel/control_panel_dlg.h"

CAccessiblePanel::CAccessiblePanel(CControlPanelDlg* panel)
    : QAccessibleWidget(panel, QAccessible::Window)
{
    for (const ControlEntry* entry : ReadingOrder())
        controls.append(panel->Control(entry->id));
}

int CAccessiblePanel::childCount() const
{
    return static_cast<int>(Controls().size());
}

QAccessibleInterface* CAccessiblePanel::child(int index) const
{
    const QList<QWidget*> live = Controls();
    if (index < 0 || index >= live.size())
        return nullptr;
    return QAccessible::queryAccessibleInterface(live[index]);
}

int CAccessiblePanel::indexOfChild(const QAccessibleInterface* child) const
{
    if (!child)
        return -1;
    return static_cast<int>(Controls().indexOf(qobject_cast<QWidget*>(child->object())));
}

QList<QWidget*> CAccessiblePanel::Controls() const
{
    QList<QWidget*> live;
    for (const QPointer<QWidget>& control : controls) {
        if (control)
            live.append(control);
    }
    return live;
}
