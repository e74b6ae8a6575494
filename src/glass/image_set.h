#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "glass/bitmap.h"

namespace stakor {

// The main window's built-in pictures, colours and button places for the
// current glass mode.
struct TImageSet {
    int32_t WindowColor = 0x6E4210;
    int32_t LabelColor = 0xCC9933;
    int32_t NoticeColor = 0xFF9918;
    int32_t LifeFillColor = 0x33D000;
    int32_t LifeGapColor = 0x6666F0;
    int32_t LifeFreeColor = 0xE0B866;
    int CaptionX = 58, CaptionY = 3;
    int MinimizeX = 307, MinimizeY = 6;
    int CloseX = 324, CloseY = 6;
    int GameButtonX = 32, GameButtonY = 45;
    int SettingsButtonX = 102, SettingsButtonY = 45;
    int HelpButtonX = 197, HelpButtonY = 45;
    TBitmap BackImage;
    TBitmap CaptionImage;
    TBitmap MinimizeImage;
    TBitmap CloseImage;
    TBitmap GameButtonImage;
    TBitmap SettingsButtonImage;
    TBitmap HelpButtonImage;
    TBitmap DigitsImage;
    TBitmap PausedImage;
    TBitmap GameOverImage;
};

// Fills every field for the glass mode (2 normal, any other big) from the
// pictures built into the program. Gives the names of the pictures that could
// not be loaded; the others are loaded all the same.
std::vector<std::string> LoadImageSet(TImageSet& set, int32_t glassMode);

// One built-in picture by its name (such as "BASESKINDIGITSBMP"), at 24 bits.
bool LoadBuiltinPicture(const std::string& name, TBitmap& bitmap);

} // namespace stakor
