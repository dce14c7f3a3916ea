#include "model/value_labels.h"

#include "model/number_format.h"

std::string FormatFrequencyLabel(double freq)
{
    return FormatFixed(freq, 0, 5) + 'k';
}

std::string FormatGainLabel(double gain)
{
    return FormatFixed(gain, 1, 1) + 'k';
}
