#include "controls/accessible_slider.h"

#include <QCoreApplication>
#include <QKeyEvent>

#include <algorithm>
#include <cmath>
#include <utility>

CAccessibleSlider::CAccessibleSlider(CSkinnedSlider* slider, QAccessible::Role role, QString name,
                                     const ValueScale& scale, ValueSource value,
                                     ValueText valueText)
    : QAccessibleWidget(slider, role), name(std::move(name)), scale(scale), value(std::move(value)),
      valueText(std::move(valueText))
{}

void* CAccessibleSlider::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ValueInterface)
        return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QString CAccessibleSlider::text(QAccessible::Text which) const
{
    switch (which) {
    case QAccessible::Name:
        return name;
    case QAccessible::Value:
        return valueText(value());
    default:
        return QAccessibleWidget::text(which);
    }
}

QVariant CAccessibleSlider::currentValue() const
{
    return value();
}

// One arrow key toward the target makes the control post its press, move and release; the
// owner reads the position only when it handles them, after this returns, so placing the
// control on the target straight after the key makes the owner take the target, however far
// it is, with one set of notifications (a live panel sends a knob's value once per release).
void CAccessibleSlider::setCurrentValue(const QVariant& requestedValue)
{
    bool isNumber = false;
    const double requested = requestedValue.toDouble(&isNumber);
    if (!isNumber || !std::isfinite(requested))
        return;
    CSkinnedSlider& slider = Slider();
    const int target = NearestPosition(requested);
    const int start = slider.value();
    if (target == start)
        return;
    const Qt::Key key = target > start ? Qt::Key_Up : Qt::Key_Down;
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QCoreApplication::sendEvent(&slider, &press);
    QCoreApplication::sendEvent(&slider, &release);
    if (slider.value() == start)
        return;
    if (slider.MoveTo(target))
        slider.repaint();
}

QVariant CAccessibleSlider::maximumValue() const
{
    return scale.valueAtMax;
}

QVariant CAccessibleSlider::minimumValue() const
{
    return scale.valueAtMin;
}

QVariant CAccessibleSlider::minimumStepSize() const
{
    return scale.positions == 0 ? 0.0 : (scale.valueAtMax - scale.valueAtMin) / scale.positions;
}

CSkinnedSlider& CAccessibleSlider::Slider() const
{
    return *static_cast<CSkinnedSlider*>(widget());
}

int CAccessibleSlider::NearestPosition(double requested) const
{
    const double span = scale.valueAtMax - scale.valueAtMin;
    if (span == 0.0)
        return 0;
    const double fraction = std::clamp((requested - scale.valueAtMin) / span, 0.0, 1.0);
    return static_cast<int>(std::lround(fraction * scale.positions));
}
