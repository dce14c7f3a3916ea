#pragma once

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QString>

#include <functional>

// What a screen reader knows of a skinned button. The buttons keep no toggle state of their
// own (a lit key is only a picture), so a key that stands for a setting is told its checked
// state by the owner, which holds the setting; its role (a check box, one of a set of radio
// buttons) tells the reader that it has one. Pressing it from outside clicks it, as the mouse
// and the space bar do.
class CAccessibleButton : public QAccessibleWidget
{
public:
    using NameSource = std::function<QString()>;
    using CheckedSource = std::function<bool()>;

    // A plain push button without checked.
    CAccessibleButton(QAbstractButton* button, QAccessible::Role role, NameSource name,
                      CheckedSource checked = {});

    QString text(QAccessible::Text which) const override;
    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

private:
    NameSource name;
    CheckedSource checked;
};
