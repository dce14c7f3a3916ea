#pragma once

#include <QString>

#include <string>
#include <vector>

#include "panel/control_layout.h"

// The words a screen reader says for the panel's controls, and the order it meets them in,
// all from the layout table: "Channel 3 frequency", "Master gain", "Channel 3 low-pass".

// A fixed button is called by its tooltip, which follows the link's mode; toolTip is ignored
// for the other controls.
QString ControlName(const ControlEntry& entry, const QString& toolTip = {});

// A knob's or fader's value in the words of its read-out: "1003 Hz", "4.5"; the Q, which has
// no read-out, to two decimals.
QString ValueText(ControlRole role, double value);

// What a read-out or the status display shows of its text: the read-outs' grids cut it
// short, and the padding is not read out.
QString ShownText(ControlRole role, const std::string& text);

// The front-panel lamp, lit while the device's own front panel has the volume.
QString LampText(bool lit);

// Left to right and top to bottom as the face is read: the buttons along the top, then each
// strip from channel 1 to the master, each from its top down, then the rest. Without the
// drag area, which is no control.
std::vector<const ControlEntry*> ReadingOrder();
