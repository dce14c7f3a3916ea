#pragma once

#include "panel/control_layout.h"

#include <QRect>

// Where a dot-matrix read-out really draws. A read-out paints its whole grid of cells from
// the top-left of its window, beyond the window's own small rectangle, so the background's
// dark slots must follow the grid rather than the layout rectangle.
struct ReadoutGrid
{
    ControlRole role;
    int lines;
    int columns;
};

class ReadoutArea
{
public:
    // The grid of a read-out role, or nullptr for every other role.
    static const ReadoutGrid* GridOf(ControlRole role);

    // The pixels covered by the read-out's cells, in the small font.
    static QRect Cells(const ControlEntry& entry);
};
