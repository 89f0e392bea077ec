// Our host with pixels: the recording engine, plus a screen canvas that
// DrawText and BlitBitmap paint the way the engine would, real fonts behind
// GetTextExtent (with the outlines a game gives them), and sprites behind the
// sprite queries, all in the colours of the game's depth.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "canvas.h"
#include "colour_depth.h"
#include "fonts.h"
#include "png_files.h"
#include "recording_host.h"

namespace rollwick_host {

class RenderingEngine : public RecordingEngine {
 public:
  // A screen of `width` x `height` at `depth` bits; records nothing by default.
  RenderingEngine(int width, int height, int depth);

  Canvas canvas;
  int64_t frame = 0;  // frames shown so far
  std::map<int32, std::unique_ptr<Font>> fonts;
  std::unique_ptr<Font> default_font;  // for font numbers not given
  mutable std::map<int32, Sprite> sprite_images;  // as the game's depth shows them
  // Gives a slot's picture the first time it is wanted, for slots of known
  // size (set_sprite_size) not set with set_sprite: "" with `picture` filled,
  // or why it cannot be drawn.
  std::function<std::string(int32 slot, Sprite &picture)> sprite_source;
  const Palette *palette = nullptr;       // an 8-bit game's palette
  int32 text_shadow_colour = 16;          // what outlines are drawn in (the engine starts with black)
  std::vector<std::pair<int64_t, std::string>> console_log;  // debug-console lines by frame
  std::vector<std::pair<int64_t, int>> sound_log;            // sounds played by frame

  void set_font(int32 number, std::unique_ptr<Font> font);
  // Keeps `sprite` converted to the game's colours: set the depth and the
  // palette first.
  void set_sprite(int32 slot, const Sprite &sprite);
  // A slot whose picture sprite_source gives when it is first drawn.
  void set_sprite_size(int32 slot, int32 width, int32 height);
  // The slot's picture, loaded on first use; null when it has none.
  const Sprite *sprite(int32 slot) const;
  // Why a slot of known size cannot be drawn; "" when it can or is not there.
  std::string sprite_problem(int32 slot) const;
  const Font *font(int32 number) const;
  // Text size as GetTextExtent answers it, an outline included: 0 x 0
  // without any font.
  TextSize measure(int32 font_number, const char *text) const;

  void ROLLWICK_HOSTCALL DrawText(int32 x, int32 y, int32 font, int32 colour, char *text) override;
  void ROLLWICK_HOSTCALL BlitBitmap(int32 x, int32 y, BITMAP *bmp, int32 masked) override;
  void ROLLWICK_HOSTCALL PrintDebugConsole(const char *text) override;
  void on_play_sound(int sound) override;

 private:
  mutable std::map<int32, std::string> sprite_problems_;
};

}  // namespace rollwick_host
