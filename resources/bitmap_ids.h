#pragma once

// The skin's pictures by resource number: the number a control loads, the name of its file
// in resources/bitmaps, and the picture the skin generator draws under it. The resource build
// reads the numbers from this file, so a picture is added here and nowhere else.
namespace BitmapId {

inline constexpr unsigned int Icon = 128;
inline constexpr unsigned int LargeFont = 129;
inline constexpr unsigned int MediumFont = 130;
inline constexpr unsigned int SmallFont = 131;

// Filter keys: grey lamp unselected, red lamp selected.
inline constexpr unsigned int FlatKeySelected = 137;
inline constexpr unsigned int FlatKey = 138;
inline constexpr unsigned int NotchKeySelected = 139;
inline constexpr unsigned int ToneKey = 140;
inline constexpr unsigned int BandKey = 141;
inline constexpr unsigned int HighKey = 142;
inline constexpr unsigned int LowKey = 143;
inline constexpr unsigned int NotchKey = 144;
inline constexpr unsigned int ToneKeySelected = 145;
inline constexpr unsigned int BandKeySelected = 146;
inline constexpr unsigned int HighKeySelected = 147;
inline constexpr unsigned int LowKeySelected = 148;

inline constexpr unsigned int MinimizeUp = 150;
inline constexpr unsigned int LockLit = 152;
inline constexpr unsigned int LockUnlit = 153;
inline constexpr unsigned int KnobBody = 162;
inline constexpr unsigned int KnobCap = 165;
inline constexpr unsigned int KnobDot = 166;
inline constexpr unsigned int Background = 171;
inline constexpr unsigned int ExitUp = 173;
inline constexpr unsigned int ExitDown = 174;
inline constexpr unsigned int MinimizeDown = 176;
inline constexpr unsigned int ExitFocus = 177;
inline constexpr unsigned int MinimizeFocus = 178;
inline constexpr unsigned int LoadUp = 179;
inline constexpr unsigned int SaveUp = 180;
inline constexpr unsigned int ConnectUp = 181;
inline constexpr unsigned int DownloadUp = 182;
inline constexpr unsigned int RetrieveUp = 183;
inline constexpr unsigned int ConfigureUp = 184;
inline constexpr unsigned int LoadDown = 185;
inline constexpr unsigned int SaveDown = 186;
inline constexpr unsigned int ConfigureDown = 187;
inline constexpr unsigned int ConnectDown = 188;
inline constexpr unsigned int DownloadDown = 189;
inline constexpr unsigned int RetrieveDown = 190;
inline constexpr unsigned int DisconnectUp = 191;
inline constexpr unsigned int DisconnectDown = 192;
inline constexpr unsigned int FaderChannel = 198;
inline constexpr unsigned int FaderThumb = 200;
inline constexpr unsigned int FirmwareUp = 203;
inline constexpr unsigned int FirmwareDown = 204;
inline constexpr unsigned int LampOff = 205;
inline constexpr unsigned int LampOn = 206;
inline constexpr unsigned int HelpUp = 207;
inline constexpr unsigned int HelpDown = 208;

// A picture with its lamp out and the same picture with the lamp lit.
struct LampPictures
{
    unsigned int unlit;
    unsigned int lit;
};

// Each filter type's key, in FilterType order; the lit one is the selected type's.
inline constexpr LampPictures FilterKeys[] = {
    {BandKey, BandKeySelected}, {FlatKey, FlatKeySelected},   {HighKey, HighKeySelected},
    {LowKey, LowKeySelected},   {NotchKey, NotchKeySelected}, {ToneKey, ToneKeySelected},
};
inline constexpr LampPictures LockKey{LockUnlit, LockLit};
inline constexpr LampPictures FrontPanelLamp{LampOff, LampOn};

} // namespace BitmapId
