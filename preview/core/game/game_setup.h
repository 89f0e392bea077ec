// What a game's project folder gives the previewer's engine: the game's
// fonts set up as the game sets them up, and the sprites of its sprite file
// in the game's colours. The command line's own fonts and sprites go in
// afterwards and take the place of these.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "game_project.h"
#include "plugin_session.h"

namespace rollwick_preview {

// What the folder lacks or could not give, each with its reason: the
// previewer names a problem where the script uses what it concerns, and
// sums up the rest in one line.
struct GameFileProblems {
  std::map<int, std::string> fonts;       // font number: why it has no font file
  std::string sprite_file;                // why the sprite file cannot be read at all; empty if it can
  std::map<int32_t, std::string> sprites; // slot: why that sprite cannot be read
  std::string sprites_lost;               // why the slots from `lost_from` to `lost_to` are lost
  int32_t lost_from = -1;
  int32_t lost_to = -1;
  // Why `slot` cannot be drawn, or empty when it can (or is simply not there).
  std::string sprite(int32_t slot) const;
  // The one line about problems the script never met, or empty.
  std::string unmet(const std::set<int> &fonts_used, const std::set<int32_t> &slots_used) const;
};

// Sets the palette, fonts and sprites of `game` into `engine`, whose screen
// is already the game's size and depth. What cannot be loaded is left out
// and described in `problems`. An 8-bit game's colours are `palette` (the
// game's with a room's entries in it) when given, else the game's; it must
// outlive the engine.
void set_up_game(const GameProject &game, bool antialias, PreviewEngine &engine, GameFileProblems &problems,
                 const rollwick_host::Palette *palette = nullptr);

// Gives `engine` the font that draws font numbers neither the game nor the
// user gives: 12-pixel Terminus, as the previewer finds it (a system font on
// the command line, one built into the page); false when there is none.
// Texts are UTF-8, as in a new game of the editor's, unless the game is ANSI.
bool set_up_default_font(PreviewEngine &engine, bool utf8);

// The sounds PlaySound(n) would play whose clip aSound<n> has no file: n and why.
std::map<int, std::string> missing_sound_clips(const GameProject &game);

}  // namespace rollwick_preview
