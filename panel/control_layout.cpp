#include "panel/control_layout.h"

#include <array>
#include <cstdlib>
#include <vector>

#include "model/strip_settings.h"

namespace {

// Column x of strip 0..15 and the master, in dialog units.
constexpr std::array<int, StripCount> KnobColumns = {4,   30,  58,  83,  111, 136, 164, 192, 218,
                                                     245, 272, 297, 325, 353, 379, 406, 443};
constexpr std::array<int, StripCount> ReadoutColumns = {10,  37,  64,  90,  118, 143, 171, 198, 224,
                                                        251, 278, 304, 332, 358, 385, 412, 449};
constexpr std::array<int, StripCount> FaderColumns = {4,   31,  57,  84,  111, 138, 165, 191, 219,
                                                      245, 272, 298, 326, 352, 380, 405, 446};
constexpr std::array<int, StripCount> GainReadoutColumns = {
    2, 29, 56, 82, 110, 135, 163, 190, 216, 243, 270, 296, 324, 350, 377, 404, 442};

struct StripRow
{
    int firstId;
    ControlClass kind;
    ControlRole role;
    const std::array<int, StripCount>* columns;
    int y;
    int masterY; // the master sits lower in some rows; -1 for rows without a master
    int width;
    int height;
};

// Rows in the order the window binds them.
constexpr StripRow StripRows[] = {
    {1000, ControlClass::Knob, ControlRole::QKnob, &KnobColumns, 128, 132, 14, 14},
    {1034, ControlClass::Knob, ControlRole::FrequencyKnob, &KnobColumns, 88, 91, 14, 14},
    {1051, ControlClass::FontStatic, ControlRole::FrequencyReadout, &ReadoutColumns, 40, 40, 8, 8},
    {1068, ControlClass::Slider, ControlRole::GainFader, &FaderColumns, 238, 238, 13, 35},
    {1134, ControlClass::FontStatic, ControlRole::GainReadout, &GainReadoutColumns, 295, 295, 8, 8},
    {1118, ControlClass::Button, ControlRole::GainLock, &ReadoutColumns, 283, -1, 6, 6},
    {1086, ControlClass::Button, ControlRole::FrequencyLock, &ReadoutColumns, 109, -1, 6, 6},
    {1102, ControlClass::Button, ControlRole::QLock, &ReadoutColumns, 148, -1, 6, 6},
};

struct FilterRow
{
    int firstId;
    int filterType;
    int y;
};

// In FilterType order: Band, Flat, High, Low, Notch, Tone.
constexpr FilterRow FilterRows[] = {
    {1168, 0, 175}, {1151, 1, 166}, {1200, 2, 192}, {1216, 3, 201}, {1184, 4, 184}, {1232, 5, 210},
};
constexpr int FilterButtonWidth = 18;
constexpr int FilterButtonHeight = 6;

constexpr ControlEntry SingleControls[] = {
    {1167, ControlClass::Button, ControlRole::MinimizeButton, {434, 5, 10, 10}, -1, -1},
    {1248, ControlClass::Button, ControlRole::ExitButton, {447, 5, 10, 10}, -1, -1},
    {1261, ControlClass::Button, ControlRole::HelpButton, {17, 4, 16, 14}, -1, -1},
    {1258, ControlClass::Button, ControlRole::LoadButton, {37, 4, 16, 14}, -1, -1},
    {1259, ControlClass::Button, ControlRole::SaveButton, {57, 4, 16, 14}, -1, -1},
    {1249, ControlClass::Button, ControlRole::ConfigureButton, {77, 4, 16, 14}, -1, -1},
    {1257, ControlClass::Button, ControlRole::ModeButton, {97, 4, 31, 14}, -1, -1},
    {1252, ControlClass::Button, ControlRole::TransferButton, {133, 4, 20, 14}, -1, -1},
    {1260, ControlClass::Button, ControlRole::RetrieveButton, {157, 4, 20, 14}, -1, -1},
    {1085, ControlClass::FontStatic, ControlRole::StatusDisplay, {28, 315, 383, 8}, -1, -1},
    {1263, ControlClass::TransBitmap, ControlRole::FrontPanelLamp, {5, 227, 7, 7}, -1, -1},
    {1262, ControlClass::DragArea, ControlRole::DragArea, {184, 1, 248, 20}, -1, -1},
};

std::vector<ControlEntry> BuildLayout()
{
    std::vector<ControlEntry> entries;
    for (const StripRow& row : StripRows) {
        const int strips = row.masterY < 0 ? ChannelCount : StripCount;
        for (int strip = 0; strip < strips; ++strip) {
            const int y = strip == MasterStrip ? row.masterY : row.y;
            entries.push_back({row.firstId + strip,
                               row.kind,
                               row.role,
                               {(*row.columns)[strip], y, row.width, row.height},
                               strip,
                               -1});
        }
    }
    for (const FilterRow& row : FilterRows) {
        for (int channel = 0; channel < ChannelCount; ++channel) {
            entries.push_back(
                {row.firstId + channel,
                 ControlClass::Button,
                 ControlRole::FilterButton,
                 {FaderColumns[channel], row.y, FilterButtonWidth, FilterButtonHeight},
                 channel,
                 row.filterType});
        }
    }
    for (const ControlEntry& entry : SingleControls)
        entries.push_back(entry);
    return entries;
}

} // namespace

std::span<const ControlEntry> MainWindowLayout()
{
    static const std::vector<ControlEntry> layout = BuildLayout();
    return layout;
}

const ControlEntry* FindControl(int id)
{
    for (const ControlEntry& entry : MainWindowLayout()) {
        if (entry.id == id)
            return &entry;
    }
    return nullptr;
}

const ControlEntry* FindControl(ControlRole role, int strip, int filterType)
{
    for (const ControlEntry& entry : MainWindowLayout()) {
        if (entry.role == role && entry.strip == strip && entry.filterType == filterType)
            return &entry;
    }
    return nullptr;
}

int MulDiv(int a, int b, int c)
{
    const long long product = static_cast<long long>(a) * b;
    const long long half = std::llabs(static_cast<long long>(c)) / 2;
    const bool negative = (product < 0) != (c < 0);
    const long long magnitude =
        (std::llabs(product) + half) / std::llabs(static_cast<long long>(c));
    return static_cast<int>(negative ? -magnitude : magnitude);
}

PixelRect ToPixels(const DialogRect& rect)
{
    const int left = MulDiv(rect.x, 6, 4);
    const int top = MulDiv(rect.y, 13, 8);
    const int right = MulDiv(rect.x + rect.width, 6, 4);
    const int bottom = MulDiv(rect.y + rect.height, 13, 8);
    return {left, top, right - left, bottom - top};
}
