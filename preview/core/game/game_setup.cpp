#include "game_setup.h"

#include <cstdlib>

#include "sprite_file.h"

namespace rollwick_preview {

void set_up_game(const GameProject &game, bool antialias, PreviewEngine &engine, GameFileProblems &problems,
                 const rollwick_host::Palette *colours) {
  if (colours == nullptr) colours = &game.palette;
  if (engine.settings.colour_depth == 8) engine.palette = colours;
  std::string error;
  for (const GameFont &font : game.fonts) {
    if (font.file.empty()) {
      problems.fonts[font.id] = "its file " + font.expected + " is not in " + game.directory;
      continue;
    }
    std::unique_ptr<rollwick_host::Font> loaded;
    rollwick_host::FontStyle style = font.style;
    style.utf8 = game.utf8;
    if (font.truetype) {
      // The size multiplier of a TrueType font is part of its size.
      loaded = rollwick_host::load_freetype_font(font.file, font.point_size * font.style.size_multiplier, antialias,
                                                 error, style);
    } else {
      loaded = rollwick_host::load_wfn_font(font.file, error, style);
    }
    if (loaded == nullptr) {
      problems.fonts[font.id] = error;
      continue;
    }
    engine.set_font(font.id, std::move(loaded));
  }

  if (game.sprite_file.empty()) {
    problems.sprite_file = "the game's sprite file " + game.directory + "/acsprset.spr is missing";
    return;
  }
  auto file = std::make_shared<SpriteReader>();
  if (!file->open(game.sprite_file, game.sprite_index, error)) {
    problems.sprite_file = error;
    return;
  }
  for (const auto &damaged : file->damaged()) {
    problems.sprites[damaged.first] = game.sprite_file + ": slot " + std::to_string(damaged.first) + " " + damaged.second;
  }
  if (file->lost_from() >= 0) {
    problems.sprites_lost = game.sprite_file + " is damaged from byte " + std::to_string(file->damaged_from()) +
                            ": slots " + std::to_string(file->lost_from()) + " to " + std::to_string(file->topmost()) +
                            " are lost";
    problems.lost_from = file->lost_from() + 1;
    problems.lost_to = file->topmost();
  }
  // Sizes now; pictures when a slot is first drawn.
  for (const auto &slot : file->slots()) engine.set_sprite_size(slot.first, slot.second.width, slot.second.height);
  const int depth = engine.settings.colour_depth;
  const std::map<int32_t, bool> &alpha_flags = game.sprite_alpha;
  const rollwick_host::Palette &palette = *colours;
  const std::string path = game.sprite_file;
  engine.sprite_source = [file, &alpha_flags, &palette, depth, path](int32 slot, rollwick_host::Sprite &picture) {
    StoredSprite stored;
    std::string why;
    if (!file->decode(slot, stored, why)) return path + ": slot " + std::to_string(slot) + " " + why;
    const auto flag = alpha_flags.find(slot);
    picture = to_sprite(stored, flag != alpha_flags.end() && flag->second, palette, depth);
    return std::string();
  };
}

std::string GameFileProblems::sprite(int32_t slot) const {
  if (!sprite_file.empty()) return sprite_file;
  const auto found = sprites.find(slot);
  if (found != sprites.end()) return found->second;
  if (slot >= lost_from && slot <= lost_to && lost_from >= 0) return sprites_lost;
  return "";
}

std::string GameFileProblems::unmet(const std::set<int> &fonts_used, const std::set<int32_t> &slots_used) const {
  std::string line;
  for (const auto &font : fonts) {
    if (fonts_used.count(font.first)) continue;
    line += (line.empty() ? "" : "; ") + std::string("font ") + std::to_string(font.first) + ": " + font.second;
  }
  int64_t slots = 0;
  for (const auto &sprite : sprites) slots += slots_used.count(sprite.first) ? 0 : 1;
  if (lost_from >= 0 && lost_to >= lost_from) {
    slots += static_cast<int64_t>(lost_to) - lost_from + 1;
    for (const int32_t used : slots_used) slots -= used >= lost_from && used <= lost_to ? 1 : 0;
  }
  if (slots > 0) {
    line += (line.empty() ? "" : "; ") + std::to_string(slots) + " sprite slot" + (slots == 1 ? "" : "s") +
            " the script does not use cannot be read" + (sprites_lost.empty() ? "" : " (" + sprites_lost + ")");
  }
  if (!sprite_file.empty() && slots_used.empty()) line += (line.empty() ? "" : "; ") + sprite_file;
  return line;
}

bool set_up_default_font(PreviewEngine &engine, bool utf8) {
  const std::string file = rollwick_host::find_default_font_file();
  if (file.empty()) return false;
  rollwick_host::FontStyle style;
  style.height_by = rollwick_host::FontStyle::Height::real;
  style.utf8 = utf8;
  std::string error;
  engine.default_font = rollwick_host::load_freetype_font(file, 12, false, error, style);
  return engine.default_font != nullptr;
}

std::map<int, std::string> missing_sound_clips(const GameProject &game) {
  std::map<int, std::string> missing;
  for (const auto &clip : game.clips) {
    const std::string &name = clip.first;
    if (name.rfind("aSound", 0) == 0 && !clip.second.found) {
      missing[std::atoi(name.c_str() + 6)] = "the game's clip " + name + " has no file: looked for " + clip.second.looked;
    }
  }
  return missing;
}

}  // namespace rollwick_preview
