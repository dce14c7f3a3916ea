#pragma once

class CBenchTable;

// The OSC remote control served by an owner loop of its own against a 38400-baud line: how soon
// a client's set starts its command on the line, and how soon a fader flooded by a client
// settles on the device.
void MeasureRemoteFigures(CBenchTable& table);
