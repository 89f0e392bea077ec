#include "scroll_pass.h"

#include "credit_store.h"
#include "markup.h"
#include "placement.h"
#include "playback_state.h"
#include "plugin_state.h"
#include "scroll_control.h"

namespace {

int32_t text_height(const ScrollLine &line) {
  int32 width = 0;
  int32 height = 0;
  engine().GetTextExtent(line.font_or_slot, line.credit.view(), &width, &height);
  return height;
}

// The room an image line takes: its given height, scaled, or the sprite's own
// when the given height is negative. `sprite_height` asks the engine, and is
// called only then.
template <typename SpriteHeight>
int64_t image_height(const ScrollLine &line, SpriteHeight sprite_height) {
  return line.colour_or_height >= 0 ? scale_coordinate(line.colour_or_height) : sprite_height();
}

int32_t sprite_height_of(const ScrollLine &line) { return engine().GetSpriteHeight(line.font_or_slot); }

// The room a line takes in the column.
int64_t layout_height(const ScrollLine &line) {
  if (!line.is_set) return scale_coordinate(credit_store.empty_line_height);
  if (line.is_image) return image_height(line, [&] { return sprite_height_of(line); });
  return text_height(line);
}

// Draws a line whose top lies on the screen or above it; returns its layout height.
int64_t draw_line_on_screen(const ScrollLine &line, const ScreenSize &screen, int32_t y) {
  if (line.is_image) {
    const int32_t slot = line.font_or_slot;
    const int32_t x = line.x_pos < 0 ? centred_position(screen.width, engine().GetSpriteWidth(slot))
                                     : scale_coordinate(line.x_pos);
    const int64_t height = image_height(line, [&] { return sprite_height_of(line); });
    engine().BlitBitmap(x, y, engine().GetSpriteGraphic(slot), 1);
    return height;
  }

  const char *text = line.credit.view();
  int32 width = 0;
  int32 height = 0;
  engine().GetTextExtent(line.font_or_slot, text, &width, &height);
  const int32_t x = place(line.x_pos, screen.width, width);
  if (line.marked.has_open) {
    draw_markup_line(line.marked, text, line.font_or_slot, line.colour_or_height, x, y);
  } else {
    engine().DrawText(x, y, line.font_or_slot, line.colour_or_height, const_cast<char *>(text));
  }
  return height;
}

// Draws line `line_number` at `scroll_y` + `pass_offset` and returns its
// layout height, or 0 when its top lies below the screen. Kept small so the
// pass inlines it: most lines it sees in a long roll lie below the screen.
inline int64_t draw_scroll_line(int32_t sequence, int32_t line_number) {
  const ScreenSize screen = screen_size();
  const int64_t top = playback.scroll_y + playback.pass_offset;
  if (top > screen.height) return 0;  // a top exactly at the screen height is still drawn
  return draw_line_on_screen(scroll_line(sequence, line_number), screen, clamp_to_int32(top));
}

}  // namespace

void scroll_pass() {
  const int32_t sequence = playback.current_sequence;
  playback.pass_offset = 0;
  const int32_t last = last_scroll_line(sequence);
  for (int32_t i = 1; i <= last; ++i) {
    ScrollLine &line = scroll_line(sequence, i);
    catch_up_with_writes(line);
    const int64_t top = playback.scroll_y + playback.pass_offset;
    int64_t height = 0;
    if (!line.is_set) {
      height = scale_coordinate(credit_store.empty_line_height);
    } else if (line.is_image) {
      // The sprite's own height decides first whether the image reaches the
      // screen; when it does not, the image takes its layout height.
      const int32_t own_height = sprite_height_of(line);
      height = top + own_height > 0 ? own_height : image_height(line, [own_height] { return own_height; });
      if (top + height > 0) height = draw_scroll_line(sequence, i);
    } else {
      height = text_height(line);
      if (top + height > 0) height = draw_scroll_line(sequence, i);
    }
    playback.pass_offset += height;
  }
  if (!playback.paused) scroll_step(sequence);
}

void measure_sequence_height(int32_t sequence) {
  int64_t total = 0;
  const int32_t last = last_scroll_line(sequence);
  for (int32_t i = 1; i <= last; ++i) {
    catch_up_with_writes(scroll_line(sequence, i));
    total += layout_height(scroll_line(sequence, i));
  }
  debug_console_printf("Sequence #%d height: %lld pixels", sequence, static_cast<long long>(total));
  playback.sequence_height = total;
}
