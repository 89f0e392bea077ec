// A game's project folder as the editor leaves it: Game.agf (read with
// pugixml) for the resolution, colour depth, palette, font settings and the
// sprites' alpha flags, and the names of the font and sprite files beside it.
// File names are matched without regard to case.
//
// Errors: read_game_project returns false with `error` naming the path when
// the folder or its Game.agf is missing or Game.agf cannot be read; settings
// it lacks take the editor's defaults for the project's version.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "fonts.h"
#include "game_defaults.h"

namespace rollwick_preview {

struct GameFont {
  int id = 0;
  std::string file;       // agsfnt<ID>.ttf if the folder has it, else agsfnt<ID>.wfn; empty if neither
  std::string expected;   // the file's name the folder should have: agsfnt<ID>.ttf or .wfn, by its source
  bool truetype = false;
  int point_size = 0;     // 0 for bitmap fonts
  rollwick_host::FontStyle style;
};

struct GameProject {
  std::string directory;
  std::string agf_path;
  int width = DEFAULT_SCREEN_WIDTH;
  int height = DEFAULT_SCREEN_HEIGHT;
  int depth = 32;
  bool antialias_fonts = false;
  std::array<uint32_t, 256> palette{};  // 0xRRGGBB
  std::vector<GameFont> fonts;
  std::map<int32_t, bool> sprite_alpha;  // slot: the sprite's alpha channel is used
  int fps = DEFAULT_GAME_SPEED;  // the game's speed in frames a second
  bool utf8 = true;            // the game's texts are UTF-8 (else one byte a letter)
  std::map<int, std::string> sound_files;  // sound number: the file of the clip PlaySound(number) plays
  std::map<int, std::string> music_files;  // music number: the file of the clip PlayMusic(number) plays
  // Every audio clip by its script name ("aMusic1"): its file, or where it was
  // looked for when the folder lacks it (`found` false).
  struct Clip {
    std::string file;
    bool found = false;
    std::string looked;  // where it was looked for, when not found
  };
  std::map<std::string, Clip> clips;
  std::vector<std::string> headers;      // the script headers (.ash) the folder has, in the editor's order
  std::vector<std::string> scripts;      // the global script and the modules (.asc) the folder has, in its order
  std::array<bool, 256> background_entries{};  // palette entries a room's palette replaces (Type="Background")
  std::set<int> rooms;                   // the rooms the project lists, by number
  int player_room = -1;                  // where the player character starts: the room (-1: none)
  int player_x = 0;                      // and the position in it
  int player_y = 0;
  std::vector<std::string> warnings;     // settings out of the editor's range, and what was taken
  std::string sprite_file;               // acsprset.spr, empty if the folder has none
  std::string sprite_index;              // sprindex.dat, empty if the folder has none
};

// `path` is the project folder or its Game.agf.
bool read_game_project(const std::string &path, GameProject &project, std::string &error);

// The project's file for room `number` ("roomN" + `extension`, ".crm" or
// ".asc"), in the case the folder has it; the name it should have if none.
std::string room_file(const GameProject &project, int number, const char *extension);

// Every file of the project a play may read, Game.agf first, each once;
// only those the folder has.
std::vector<std::string> files_read(const GameProject &project);

// `directory`/`name` with the case of the file that is there; empty if none is.
std::string find_file_ignoring_case(const std::string &directory, const std::string &name);

}  // namespace rollwick_preview
