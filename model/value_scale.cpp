#include "model/value_scale.h"

#include <climits>
#include <cmath>

double ValueScale::ToValue(int position) const
{
    // A range without positions would divide by zero; its one value is the minimum.
    const double fraction = positions == 0 ? 0.0 : static_cast<double>(position) / positions;
    return valueAtMin + fraction * (valueAtMax - valueAtMin);
}

int ValueScale::ToPosition(double value) const
{
    const double fraction = (value - valueAtMin) / (valueAtMax - valueAtMin);
    const double steps = std::trunc(positions * fraction);
    // Values from files and from the device are unchecked; converting a NaN or a number
    // beyond int to int is undefined, so those land on the nearest representable position.
    if (std::isnan(steps))
        return 0;
    if (steps >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (steps <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(steps);
}

bool ValueScale::Holds(double value) const
{
    return std::isfinite(value) && value >= valueAtMin && value <= valueAtMax;
}
