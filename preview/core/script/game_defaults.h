// What a game has when nothing says otherwise: the speed a new game of the
// editor's runs at, and the screen of a game nobody named; and the largest
// screen drawn.
#pragma once

namespace rollwick_preview {

constexpr int DEFAULT_GAME_SPEED = 40;  // frames a second
constexpr int DEFAULT_SCREEN_WIDTH = 320;
constexpr int DEFAULT_SCREEN_HEIGHT = 200;

// The widest and tallest screen the previewer draws: one frame of it is
// 64 MB, and a play keeps thousands.
constexpr int MAX_SCREEN_SIDE = 4096;

}  // namespace rollwick_preview
