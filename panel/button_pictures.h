#pragma once

#include "controls/kvn_bitmap_button.h"

// The pictures a skinned button shows, by resource number; 0 for none.
struct ButtonPictures
{
    unsigned int up;
    unsigned int down;
    unsigned int focus = 0;
};

inline void LoadPictures(CKVNBitmapButton& button, const ButtonPictures& pictures)
{
    button.LoadBitmaps(pictures.up, pictures.down, pictures.focus);
}
