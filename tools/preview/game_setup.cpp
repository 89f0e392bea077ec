#include "game_setup.h"

#include "sprite_file.h"

namespace rollwick_preview {

void set_up_game(const GameProject &game, bool antialias, PreviewEngine &engine, std::vector<std::string> &warnings) {
  if (engine.settings.colour_depth == 8) engine.palette = &game.palette;
  std::string error;
  for (const GameFont &font : game.fonts) {
    if (font.file.empty()) continue;  // the lint names the calls that use it
    std::unique_ptr<rollwick_host::Font> loaded;
    if (font.truetype) {
      // The size multiplier of a TrueType font is part of its size.
      loaded = rollwick_host::load_freetype_font(font.file, font.point_size * font.style.size_multiplier, antialias,
                                                 error, font.style);
    } else {
      loaded = rollwick_host::load_wfn_font(font.file, error, font.style);
    }
    if (loaded == nullptr) {
      warnings.push_back("font " + std::to_string(font.id) + ": " + error);
      continue;
    }
    engine.set_font(font.id, std::move(loaded));
  }

  if (game.sprite_file.empty()) return;
  SpriteFile file;
  if (!read_sprite_file(game.sprite_file, game.sprite_index, file, error)) {
    warnings.push_back(error + "; the game's sprites are left out");
    return;
  }
  for (const std::string &skipped : file.skipped) warnings.push_back(game.sprite_file + ": " + skipped);
  for (const auto &stored : file.sprites) {
    const auto flag = game.sprite_alpha.find(stored.first);
    const bool alpha = flag != game.sprite_alpha.end() && flag->second;
    engine.set_sprite(stored.first, to_sprite(stored.second, alpha, game.palette));
  }
}

}  // namespace rollwick_preview
