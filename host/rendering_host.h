// Our host with pixels: the recording engine, plus a screen canvas that
// DrawText and BlitBitmap paint the way the engine would, real fonts behind
// GetTextExtent (with the outlines a game gives them), and sprites behind the
// sprite queries, all in the colours of the game's depth.
#pragma once

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
  std::map<int32, Sprite> sprite_images;  // as the game's depth shows them
  const Palette *palette = nullptr;       // an 8-bit game's palette
  int32 text_shadow_colour = 16;          // what outlines are drawn in (the engine starts with black)
  std::vector<std::pair<int64_t, std::string>> console_log;  // debug-console lines by frame
  std::vector<std::pair<int64_t, int>> sound_log;            // sounds played by frame

  void set_font(int32 number, std::unique_ptr<Font> font);
  // Keeps `sprite` converted to the game's colours: set the depth and the
  // palette first.
  void set_sprite(int32 slot, const Sprite &sprite);
  const Font *font(int32 number) const;
  // Text size as GetTextExtent answers it, an outline included: 0 x 0
  // without any font.
  TextSize measure(int32 font_number, const char *text) const;

  void ROLLWICK_HOSTCALL DrawText(int32 x, int32 y, int32 font, int32 colour, char *text) override;
  void ROLLWICK_HOSTCALL BlitBitmap(int32 x, int32 y, BITMAP *bmp, int32 masked) override;
  void ROLLWICK_HOSTCALL PrintDebugConsole(const char *text) override;
  void on_play_sound(int sound) override;
};

}  // namespace rollwick_host
