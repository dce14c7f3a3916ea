#pragma once

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QString>

#include <functional>

#include "controls/skinned_slider.h"
#include "model/value_scale.h"

// What a screen reader knows of a knob or fader: its name, and its value as a number and in
// the words of the owner's read-out. The value is the owner's, which the read-out shows: a
// value loaded from a file or read from the device may lie between two positions. A value set
// from outside moves the control as an arrow key does, so the owner hears of it through the
// same notifications; a control that ignores input (a locked fader) ignores it too.
class CAccessibleSlider : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    using ValueSource = std::function<double()>;
    using ValueText = std::function<QString(double value)>;

    CAccessibleSlider(CSkinnedSlider* slider, QAccessible::Role role, QString name,
                      const ValueScale& scale, ValueSource value, ValueText valueText);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text which) const override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& requestedValue) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

private:
    CSkinnedSlider& Slider() const;
    // The position whose value is closest; values beyond the scale take its ends.
    int NearestPosition(double requested) const;

    QString name;
    ValueScale scale;
    ValueSource value;
    ValueText valueText;
};
