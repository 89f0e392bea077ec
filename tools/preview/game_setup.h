// What a game's project folder gives the previewer's engine: the game's
// fonts set up as the game sets them up, and the sprites of its sprite file
// in the game's colours. The command line's own fonts and sprites go in
// afterwards and take the place of these.
#pragma once

#include <string>
#include <vector>

#include "game_project.h"
#include "plugin_session.h"

namespace rollwick_preview {

// Sets the palette, fonts and sprites of `game` into `engine`, whose screen
// is already the game's size and depth. What cannot be loaded is left out
// and named in `warnings`.
void set_up_game(const GameProject &game, bool antialias, PreviewEngine &engine, std::vector<std::string> &warnings);

}  // namespace rollwick_preview
