#pragma once

class CBenchTable;

// The response window's drawing on the offscreen platform: a redraw of sixteen curves after
// one channel moved, and the panel's knob drag step while the window is open.
void MeasureResponseFigures(CBenchTable& table);
