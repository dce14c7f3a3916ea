#pragma once

#include <span>

// The main window's template: every control's id, class and place in dialog units. The
// window creates its controls from this table and the skin generator draws the slots and
// tabs of the background from it, so the two line up by construction. No Qt here: the
// generator reads it too.

enum class ControlClass
{
    FontStatic,  // CBitmapFontStatic: a dot-matrix read-out
    Knob,        // CBitmapKnob
    Slider,      // CBitmapSlider
    Button,      // CKVNBitmapButton
    TransBitmap, // CTransBitmap
    DragArea,    // the hidden band that drags the borderless window
};

enum class ControlRole
{
    FrequencyReadout,
    FrequencyKnob,
    FrequencyLock,
    QKnob,
    QLock,
    FilterButton,
    FrontPanelLamp,
    GainFader,
    GainLock,
    GainReadout,
    StatusDisplay,
    HelpButton,
    LoadButton,
    SaveButton,
    ConfigureButton,
    ModeButton,
    TransferButton,
    RetrieveButton,
    MinimizeButton,
    ExitButton,
    DragArea,
};

struct DialogRect
{
    int x;
    int y;
    int width;
    int height;
};

struct PixelRect
{
    int x;
    int y;
    int width;
    int height;

    bool operator==(const PixelRect&) const = default;
};

struct ControlEntry
{
    int id;
    ControlClass kind;
    ControlRole role;
    DialogRect rect;
    int strip;      // the strip index of a strip control (MasterStrip the master), -1 otherwise
    int filterType; // the FilterType value of a filter button, -1 otherwise
};

inline constexpr int DialogWidthUnits = 480;
inline constexpr int DialogHeightUnits = 334;
// The window is the size of its background picture.
inline constexpr int WindowWidth = 720;
inline constexpr int WindowHeight = 539;

// Every control of the main window, in the order the window binds them.
std::span<const ControlEntry> MainWindowLayout();

// The entry of a control id, or nullptr.
const ControlEntry* FindControl(int id);

// The entry of a role and strip (strip -1 for the single controls), or nullptr.
const ControlEntry* FindControl(ControlRole role, int strip = -1, int filterType = -1);

// Dialog units to pixels as the Windows dialog manager maps them for 8-point MS Shell Dlg
// at 96 dpi: each edge x * 6 / 4 and y * 13 / 8, rounded as MulDiv rounds.
PixelRect ToPixels(const DialogRect& rect);

// a * b / c rounded to the nearest integer, halves away from zero.
int MulDiv(int a, int b, int c);
