#include "controls/accessible_readout.h"

#include <utility>

CAccessibleReadout::CAccessibleReadout(QWidget* display, QString name, TextSource shown)
    : QAccessibleWidget(display, QAccessible::StaticText), name(std::move(name)),
      shown(std::move(shown))
{}

QString CAccessibleReadout::text(QAccessible::Text which) const
{
    switch (which) {
    case QAccessible::Name:
        return name;
    case QAccessible::Value:
    case QAccessible::Description:
        return shown();
    default:
        return QAccessibleWidget::text(which);
    }
}
