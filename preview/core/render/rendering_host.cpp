#include "rendering_host.h"

#include <algorithm>

namespace rollwick_host {

namespace {

// Where an automatic outline of thickness t stamps the text: every offset of
// a square of radius t, or of a disc of about t + 0.5 for a rounded outline.
template <typename Stamp>
void for_each_outline_offset(const FontStyle &style, Stamp stamp) {
  const int t = style.thickness();
  const int limit = t * (t + 1);
  for (int dy = -t; dy <= t; ++dy) {
    for (int dx = -t; dx <= t; ++dx) {
      if (style.rounded_outline && dx * dx + dy * dy > limit) continue;
      stamp(dx, dy);
    }
  }
}

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

void RenderingEngine::set_sprite(int32 slot, const Sprite &sprite) {
  settings.sprites[slot] = SpriteSize{sprite.width, sprite.height};
  sprite_images[slot] = sprite_for_depth(sprite, settings.colour_depth, palette);
}

const Font *RenderingEngine::font(int32 number) const {
  const auto found = fonts.find(number);
  if (found != fonts.end()) return found->second.get();
  return default_font.get();
}

TextSize RenderingEngine::measure(int32 font_number, const char *text) const {
  const Font *chosen = font(font_number);
  if (chosen == nullptr) return TextSize{};
  TextSize size = chosen->measure(text);
  const FontStyle &style = chosen->style();
  if (style.outline == FontStyle::Outline::automatic) {
    const int32_t grow = 2 * style.thickness();
    if (size.width > 0) size.width += grow;  // an empty text stays 0 wide
    size.height += grow;
  } else if (style.outline == FontStyle::Outline::font && style.outline_font != font_number) {
    const Font *outline = font(style.outline_font);
    if (outline != nullptr) {
      const TextSize under = outline->measure(text);
      size.width = std::max(size.width, under.width);
      size.height = std::max(size.height, under.height);
    }
  }
  return size;
}

// The outline goes first, in the text-shadow colour: an automatic one is the
// text stamped around the place where the text then goes, (x + t, y + t);
// an outline font is that font's text at (x, y), under the text.
void RenderingEngine::DrawText(int32 x, int32 y, int32 font_number, int32 colour, char *text) {
  RecordingEngine::DrawText(x, y, font_number, colour, text);
  const Font *chosen = font(font_number);
  if (chosen == nullptr || text == nullptr) return;
  const FontStyle &style = chosen->style();
  const uint32_t shadow = ags_colour(text_shadow_colour, settings.colour_depth, palette);
  int64_t text_x = x;
  int64_t text_y = y;
  if (style.outline == FontStyle::Outline::automatic) {
    text_x += style.thickness();
    text_y += style.thickness();
    for_each_outline_offset(style, [&](int dx, int dy) { chosen->draw(canvas, text_x + dx, text_y + dy, text, shadow); });
  } else if (style.outline == FontStyle::Outline::font && style.outline_font != font_number) {
    const Font *outline = font(style.outline_font);
    if (outline != nullptr) outline->draw(canvas, x, y, text, shadow);
  }
  chosen->draw(canvas, text_x, text_y, text, ags_colour(colour, settings.colour_depth, palette));
}

void RenderingEngine::set_sprite_size(int32 slot, int32 width, int32 height) {
  settings.sprites[slot] = SpriteSize{width, height};
}

const Sprite *RenderingEngine::sprite(int32 slot) const {
  const auto found = sprite_images.find(slot);
  if (found != sprite_images.end()) return &found->second;
  if (!sprite_source || settings.sprites.count(slot) == 0 || sprite_problems_.count(slot)) return nullptr;
  Sprite picture;
  const std::string problem = sprite_source(slot, picture);
  if (!problem.empty()) {
    sprite_problems_[slot] = problem;
    return nullptr;
  }
  return &(sprite_images[slot] = sprite_for_depth(picture, settings.colour_depth, palette));
}

std::string RenderingEngine::sprite_problem(int32 slot) const {
  sprite(slot);
  const auto found = sprite_problems_.find(slot);
  return found == sprite_problems_.end() ? "" : found->second;
}

void RenderingEngine::BlitBitmap(int32 x, int32 y, BITMAP *bmp, int32 masked) {
  RecordingEngine::BlitBitmap(x, y, bmp, masked);
  const Sprite *found = sprite(bitmap_slot(bmp));
  if (found == nullptr) return;  // a missing slot is a 1x1 transparent sprite
  const Sprite &sprite = *found;
  for (int row = 0; row < sprite.height; ++row) {
    for (int column = 0; column < sprite.width; ++column) {
      const uint32_t argb = sprite.argb[static_cast<size_t>(row) * sprite.width + column];
      if (masked && (argb >> 24) == 0) continue;
      canvas.put(static_cast<int64_t>(x) + column, static_cast<int64_t>(y) + row, argb & 0xFFFFFF);
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
