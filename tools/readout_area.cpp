#include "tools/readout_area.h"

#include "tools/dot_matrix_font.h"

namespace {

constexpr ReadoutGrid Grids[] = {
    {ControlRole::FrequencyReadout, 5, 1},
    {ControlRole::GainReadout, 1, 3},
    {ControlRole::StatusDisplay, 1, 59},
};

} // namespace

const ReadoutGrid* ReadoutArea::GridOf(ControlRole role)
{
    for (const ReadoutGrid& grid : Grids) {
        if (grid.role == role)
            return &grid;
    }
    return nullptr;
}

QRect ReadoutArea::Cells(const ControlEntry& entry)
{
    const ReadoutGrid* grid = GridOf(entry.role);
    if (grid == nullptr)
        return {};
    const PixelRect window = ToPixels(entry.rect);
    return {window.x, window.y, grid->columns * (SmallFont.glyphWidth + SmallFont.gap),
            grid->lines * (SmallFont.glyphHeight + SmallFont.gap)};
}
