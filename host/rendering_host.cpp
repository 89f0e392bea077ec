#include "rendering_host.h"

namespace rollwick_host {

namespace {

// A PNG's fully transparent pixels are the mask; a 16-bit game also masks
// out its magenta.
constexpr uint32_t magenta = 0xFF00FF;

}  // namespace

RenderingEngine::RenderingEngine(int width, int height, int depth) : canvas(width, height) {
  recording = false;
  settings.screen_width = width;
  settings.screen_height = height;
  settings.colour_depth = depth;
  settings.text_extent = [this](int32 font_number, const char *text) {
    const TextSize size = measure(font_number, text);
    return TextExtent{size.width, size.height};
  };
}

void RenderingEngine::set_font(int32 number, std::unique_ptr<Font> font) { fonts[number] = std::move(font); }

void RenderingEngine::set_sprite(int32 slot, Sprite sprite) {
  settings.sprites[slot] = SpriteSize{sprite.width, sprite.height};
  sprite_images[slot] = std::move(sprite);
}

const Font *RenderingEngine::font(int32 number) const {
  const auto found = fonts.find(number);
  if (found != fonts.end()) return found->second.get();
  return default_font.get();
}

TextSize RenderingEngine::measure(int32 font_number, const char *text) const {
  const Font *chosen = font(font_number);
  return chosen != nullptr ? chosen->measure(text) : TextSize{};
}

void RenderingEngine::DrawText(int32 x, int32 y, int32 font_number, int32 colour, char *text) {
  RecordingEngine::DrawText(x, y, font_number, colour, text);
  const Font *chosen = font(font_number);
  if (chosen != nullptr && text != nullptr) {
    chosen->draw(canvas, x, y, text, ags_colour(colour, settings.colour_depth));
  }
}

void RenderingEngine::BlitBitmap(int32 x, int32 y, BITMAP *bmp, int32 masked) {
  RecordingEngine::BlitBitmap(x, y, bmp, masked);
  const auto found = sprite_images.find(bitmap_slot(bmp));
  if (found == sprite_images.end()) return;  // a missing slot is a 1x1 transparent sprite
  const Sprite &sprite = found->second;
  for (int row = 0; row < sprite.height; ++row) {
    for (int column = 0; column < sprite.width; ++column) {
      const uint32_t argb = sprite.argb[static_cast<size_t>(row) * sprite.width + column];
      const uint32_t rgb = argb & 0xFFFFFF;
      const bool transparent = (argb >> 24) == 0 || (settings.colour_depth == 16 && rgb == magenta);
      if (masked && transparent) continue;
      canvas.put(static_cast<int64_t>(x) + column, static_cast<int64_t>(y) + row, rgb);
    }
  }
}

void RenderingEngine::PrintDebugConsole(const char *text) {
  RecordingEngine::PrintDebugConsole(text);
  console_log.emplace_back(frame, text != nullptr ? text : "");
}

void RenderingEngine::on_play_sound(int sound) {
  RecordingEngine::on_play_sound(sound);
  sound_log.emplace_back(frame, sound);
}

}  // namespace rollwick_host
