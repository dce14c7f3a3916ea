#pragma once

class CBenchTable;

// The device link against the emulated device on a pseudo-terminal: exchanges per second
// when the device answers at once, and the full read and a firmware transfer at 38400 baud
// against the wire time of the bytes they exchange.
void MeasureLinkFigures(CBenchTable& table);
