#pragma once

#include <vector>

class CBenchTable;
class CControlPanelDlg;

double Median(std::vector<double> samples);

// The median time of one step of a drag of channel 1's frequency knob, from the mouse event to
// the painted knob; unpainted counts the steps after which the knob was not painted.
double MedianDragStepMs(CControlPanelDlg& panel, int& unpainted);

// The panel's drawing, in this process on the offscreen platform: a full repaint of the
// window and one step of a knob drag from the mouse event to the painted knob.
void MeasurePanelFigures(CBenchTable& table);
