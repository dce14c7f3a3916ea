#pragma once

class CBenchTable;

// The panel's drawing, in this process on the offscreen platform: a full repaint of the
// window and one step of a knob drag from the mouse event to the painted knob.
void MeasurePanelFigures(CBenchTable& table);
