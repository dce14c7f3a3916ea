#include "controls/accessible_button.h"

#include <utility>

CAccessibleButton::CAccessibleButton(QAbstractButton* button, QAccessible::Role role,
                                     NameSource name, CheckedSource checked)
    : QAccessibleWidget(button, role), name(std::move(name)), checked(std::move(checked))
{}

QString CAccessibleButton::text(QAccessible::Text which) const
{
    if (which == QAccessible::Name)
        return name();
    return QAccessibleWidget::text(which);
}

QAccessible::State CAccessibleButton::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    if (checked) {
        state.checkable = true;
        state.checked = checked();
    }
    return state;
}

QStringList CAccessibleButton::actionNames() const
{
    QStringList names{checked ? toggleAction() : pressAction()};
    names += QAccessibleWidget::actionNames();
    return names;
}

void CAccessibleButton::doAction(const QString& actionName)
{
    if (actionName != pressAction() && actionName != toggleAction())
        return QAccessibleWidget::doAction(actionName);
    if (widget()->isEnabled())
        static_cast<QAbstractButton*>(widget())->click();
}
