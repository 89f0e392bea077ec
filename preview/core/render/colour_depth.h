// Colours as a game of 8, 16 or 32 bits shows them. The pictures here hold
// 0xRRGGBB a pixel; a 16-bit game's pixels are held as its 5-6-5 values
// widened back the way the engine widens its screen for display (each
// channel's high bits repeated into its low bits), an 8-bit game's as the
// palette entries its indices name.
#pragma once

#include <array>
#include <cstdint>

#include "png_files.h"

namespace rollwick_host {

using Palette = std::array<uint32_t, 256>;  // 0xRRGGBB an entry

// The colour an AGS colour number gives: in 16- and 32-bit games the fixed
// table for 0 to 31 and a 5-6-5 value from 32 on; in 8-bit games the
// palette's entry (without a palette, the table and a grey ramp above it).
uint32_t ags_colour(int32_t colour, int depth, const Palette *palette = nullptr);

// The palette's colour nearest to `rgb`, among the entries from `first` on.
uint32_t nearest_palette_entry(uint32_t rgb, const Palette &palette, int first = 0);

// A 5-6-5 value widened to 0xRRGGBB, and 0xRRGGBB truncated to 5-6-5.
uint32_t widen_565(uint32_t value);
uint32_t pack_565(uint32_t rgb);

// A sprite as it is drawn in a game of `depth` bits: alpha 0 is the mask
// (left out of a masked blit), every other pixel opaque in the game's colours.
Sprite sprite_for_depth(const Sprite &sprite, int depth, const Palette *palette = nullptr);

}  // namespace rollwick_host
