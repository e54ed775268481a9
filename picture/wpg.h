// The WPG record interpreter.
#ifndef QUILLON_PICTURE_WPG_H
#define QUILLON_PICTURE_WPG_H

#include <cstdint>

struct WPGSTATE {
  double XScale;                     // client pixels per WPG unit along x
  double YScale;                     // negative: WPG y grows upward
  std::int32_t XOffset;              // client x of WPG x = 0
  std::int32_t YOffset;              // client y of WPG y = 0
  std::int32_t PageWidth;            // WPG units
  std::int32_t PageHeight;
  std::uint32_t Palette[16];         // 0x00BBGGRR
  std::int32_t ColorMap[16];
  std::uint8_t FillPatterns[64][8];  // 8x8 monochrome, top row first
};

extern WPGSTATE* WpgState;  // the loaded drawing, or null

// Frees WpgState; it becomes null.
void FreeWpgState();

#endif
