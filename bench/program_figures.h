#pragma once

class CBenchTable;

// The panel program as an operator starts it, in a process of its own on the offscreen
// platform: the time to its first painted frame, its resident memory then, and the CPU it
// uses while it sits idle, offline and connected with the one-second poll running.
void MeasureProgramFigures(CBenchTable& table);
