#pragma once

#include <QAccessibleWidget>
#include <QList>
#include <QPointer>

class CControlPanelDlg;

// The panel window as a screen reader walks it: its controls in reading order rather than in
// the order they were created, which is row by row across all strips.
class CAccessiblePanel : public QAccessibleWidget
{
public:
    explicit CAccessiblePanel(CControlPanelDlg* panel);

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;

private:
    // Those not yet destroyed: the controls go before the window when it is destroyed.
    QList<QWidget*> Controls() const;

    QList<QPointer<QWidget>> controls;
};
