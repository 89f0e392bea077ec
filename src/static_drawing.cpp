#include "static_drawing.h"

#include "credit_store.h"
#include "placement.h"
#include "plugin_state.h"

namespace {

struct Extent {
  int32 width = 0;
  int32 height = 0;
};

Extent measure(int32_t font, const char *text) {
  Extent extent;
  engine().GetTextExtent(font, text, &extent.width, &extent.height);
  return extent;
}

void draw_text(int32_t x, int32_t y, int32_t font, int32_t colour, const char *text) {
  engine().DrawText(x, y, font, colour, const_cast<char *>(text));
}

void draw_image(const StaticCredit &entry, const ScreenSize &screen) {
  BITMAP *bitmap = engine().GetSpriteGraphic(entry.slot);
  int32 width = 0;
  int32 height = 0;
  int32 depth = 0;
  engine().GetBitmapDimensions(bitmap, &width, &height, &depth);
  const int32_t x = place(entry.x_pos, screen.width, width);
  const int32_t y = place(entry.y_pos, screen.height, height);
  engine().BlitBitmap(x, y, bitmap, 1);
}

// Lines of a "[[" text, one under the other, each advanced by its own height.
inline void draw_line(const StaticCredit &entry, const ScreenSize &screen, const char *line, int64_t top,
                      int64_t &offset) {
  const Extent extent = measure(entry.font, line);
  const int32_t x = place(entry.x_pos, screen.width, extent.width);
  draw_text(x, clamp_to_int32(top + offset), entry.font, entry.colour, line);
  offset += extent.height;
}

int32_t block_top(const StaticCredit &entry, const ScreenSize &screen, int64_t breaks, int32_t whole_height) {
  if (entry.y_pos >= 0) return scale_coordinate(entry.y_pos);
  return centred_position(screen.height, clamp_to_int32((breaks + 1) * whole_height));
}

void draw_lines(const StaticCredit &entry, const ScreenSize &screen, int32_t whole_height) {
  const CutText &lines = entry.credit_lines;
  const int64_t breaks = static_cast<int64_t>(lines.count()) - 1;
  const int32_t top = block_top(entry, screen, breaks, whole_height);
  int64_t offset = 0;
  for (std::size_t line = 0; line < lines.count(); ++line) draw_line(entry, screen, lines.line(line), top, offset);
}

}  // namespace

void draw_static_credit(int32_t sequence, int32_t id) {
  const ScreenSize screen = screen_size();
  const StaticCredit &entry = static_credit(sequence, id);
  if (entry.is_image) {
    draw_image(entry, screen);
    return;
  }

  const char *title = entry.title.view();
  const Extent title_extent = measure(entry.title_font, title);
  const int32_t title_x = place(entry.title_x_pos, screen.width, title_extent.width);
  const int32_t title_y = place(entry.title_y_pos, screen.height, title_extent.height);
  draw_text(title_x, title_y, entry.title_font, entry.title_colour, title);

  const char *credit = entry.credit.view();
  const Extent extent = measure(entry.font, credit);
  if (!entry.credit_lines.has_token) {
    const int32_t x = place(entry.x_pos, screen.width, extent.width);
    const int32_t y = place(entry.y_pos, screen.height, extent.height);
    draw_text(x, y, entry.font, entry.colour, credit);
    return;
  }
  draw_lines(entry, screen, extent.height);
}
