#include "markup.h"

#include <string>
#include <string_view>

#include "placement.h"
#include "plugin_state.h"
#include "text_split.h"

namespace {

// The form a text asks for: "<>" anywhere wins over "<.>", which wins over "<#>".
MarkupForm markup_form(std::string_view text) {
  if (text.find("<>") != std::string_view::npos) return MarkupForm::two_column;
  if (text.find("<.>") != std::string_view::npos) return MarkupForm::dotted_leader;
  if (text.find("<#>") != std::string_view::npos) return MarkupForm::centre_gap;
  return MarkupForm::none;
}

int32_t text_width(int32_t font, const char *text) {
  int32 width = 0;
  int32 height = 0;
  engine().GetTextExtent(font, text, &width, &height);
  return width;
}

void draw_piece(int64_t x, int32_t y, int32_t font, int32_t colour, const char *piece) {
  engine().DrawText(clamp_to_int32(x), y, font, colour, const_cast<char *>(piece));
}

// " ." repeated, read from the end so that any suffix is a shorter leader.
constexpr int32_t fixed_leader_units = 1024;
// No screen is wide enough to show more units than this; a longer leader
// would only cost memory.
constexpr int64_t max_leader_units = 65536;

struct LeaderText {
  char fixed[fixed_leader_units * 2 + 1];
  std::string overflow;

  LeaderText() {
    for (int32_t i = 0; i < fixed_leader_units; ++i) {
      fixed[2 * i] = ' ';
      fixed[2 * i + 1] = '.';
    }
    fixed[fixed_leader_units * 2] = '\0';
  }

  const char *units(int64_t count) {
    if (count <= 0) return fixed + fixed_leader_units * 2;
    if (count <= fixed_leader_units) return fixed + (fixed_leader_units - count) * 2;
    if (count > max_leader_units) count = max_leader_units;
    overflow.clear();
    for (int64_t i = 0; i < count; ++i) overflow += " .";
    return overflow.c_str();
  }
};

LeaderText leader_text;

}  // namespace

void MarkedText::read(std::string_view text) {
  has_open = text.find('<') != std::string_view::npos;
  form = has_open ? markup_form(text) : MarkupForm::none;
  left.clear();
  right_at = text.size();
  if (form == MarkupForm::none) return;
  // The cuts fall at the first "<" and the first ">" after it, whichever
  // marker chose the form. The right piece is the untrimmed rest of the
  // stored text, so it is already zero-terminated.
  std::string_view rest = text;
  left = split_at_token(rest, "<");
  split_at_token(rest, ">");
  right_at = text.size() - rest.size();
}

void draw_markup_line(const MarkedText &marked, const char *text, int32_t font, int32_t colour, int32_t x,
                      int32_t y) {
  const int32_t screen_width = screen_size().width;  // asked also when no marker draws anything
  const MarkupForm form = marked.form;
  if (form == MarkupForm::none) return;
  const int64_t margin = x >= 0 ? x : 0;
  const char *left = marked.left.c_str();
  const char *right = text + marked.right_at;

  switch (form) {
    case MarkupForm::two_column: {
      const int32_t right_width = text_width(font, right);
      draw_piece(margin, y, font, colour, left);
      draw_piece(screen_width - (margin + right_width), y, font, colour, right);
      break;
    }
    case MarkupForm::dotted_leader: {
      const int32_t right_width = text_width(font, right);
      const int32_t left_width = text_width(font, left);
      draw_piece(margin, y, font, colour, left);
      draw_piece(screen_width - (margin + right_width), y, font, colour, right);
      const int32_t unit_width = text_width(font, " .");
      // A unit that measures 0 pixels (or less) gives no leader.
      const int64_t room = screen_width - (static_cast<int64_t>(left_width) + 2 * margin + right_width);
      const int64_t units = unit_width > 0 ? room / unit_width : 0;
      draw_piece(margin + left_width, y, font, colour, leader_text.units(units));
      break;
    }
    case MarkupForm::centre_gap: {
      const int32_t left_width = text_width(font, left);
      text_width(font, right);  // the engine is asked for both pieces; only the left width places anything
      const int64_t centre = screen_width / 2;
      const int64_t gap = margin / 2;
      draw_piece(centre - gap - left_width, y, font, colour, left);
      draw_piece(centre + gap, y, font, colour, right);
      break;
    }
    case MarkupForm::none:
      break;
  }
}
