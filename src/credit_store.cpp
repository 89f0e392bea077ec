// The credit tables and the script functions that fill them.
#include "credit_store.h"

#include <cstring>

#include "plugin_state.h"

CreditStore credit_store;

namespace {

int32_t zero_based(int32_t number) { return number - 1; }

// Raises a "last" counter to `number` when it is higher; never lowers it.
void raise_to(int32_t &last, int32_t number) {
  if (number > last) last = number;
}

}  // namespace

bool sequence_in_range(const char *function, int32_t sequence) {
  if (sequence >= 1 && sequence <= SEQUENCE_COUNT) return true;
  debug_console_printf("%s: sequence %d is out of range (1 to %d); call ignored", function, sequence,
                       SEQUENCE_COUNT);
  return false;
}

bool sequence_and_entry_in_range(const char *function, int32_t sequence, const char *entry_name, int32_t entry) {
  if (!sequence_in_range(function, sequence)) return false;
  if (entry >= 1 && entry <= ENTRY_COUNT) return true;
  debug_console_printf("%s: %s %d is out of range (1 to %d); call ignored", function, entry_name, entry,
                       ENTRY_COUNT);
  return false;
}

void SetCredit(int sequence, int line, const char *credit, int x_pos, int font, int colour) {
  if (!sequence_and_entry_in_range("SetCredit", sequence, "line", line)) return;
  ScrollLine &entry = scroll_line(sequence, line);
  entry.credit.assign(credit, OLD_STYLE_STRING_SIZE);  // GetCredit hands it back to the script
  entry.read_from.reserve(OLD_STYLE_STRING_SIZE);
  entry.read_from.assign(entry.credit.text);
  entry.marked.left.reserve(OLD_STYLE_STRING_SIZE);
  entry.marked.read(entry.credit.text);
  entry.handed_out = 0;
  entry.x_pos = x_pos;
  entry.font_or_slot = font;
  entry.colour_or_height = colour;
  entry.is_set = 1;
  raise_to(credit_store.last_scroll_line[zero_based(sequence)], line);
}

const char *GetCredit(int sequence, int line) {
  if (!sequence_and_entry_in_range("GetCredit", sequence, "line", line)) return nullptr;
  ScrollLine &entry = scroll_line(sequence, line);
  entry.handed_out = entry.credit.is_set ? 1 : 0;
  return entry.credit.or_null();
}

void catch_up_with_writes(ScrollLine &line) {
  if (!line.handed_out) return;
  const char *now = line.credit.view();  // what the script left there, zero-terminated within its room
  if (std::strcmp(now, line.read_from.c_str()) == 0) return;
  line.read_from.assign(now);
  line.credit.text.assign(line.read_from);  // its length again, within its room
  line.marked.read(line.credit.text);
}

void CreditsSettings(int empty_line_height) {
  if (empty_line_height >= 0) credit_store.empty_line_height = empty_line_height;
}

void SequenceSettings(int sequence, int startpoint, int endpoint, int speed, int automatic, int endwait) {
  if (!sequence_in_range("SequenceSettings", sequence)) return;
  ScrollSettings &settings = scroll_settings(sequence);
  settings.startpoint = startpoint;
  settings.endpoint = endpoint;
  settings.speed = speed;
  settings.automatic = automatic;
  settings.endwait = endwait;
}

void SetCreditImage(int sequence, int line, int x_pos, int slot, int height) {
  if (!sequence_and_entry_in_range("SetCreditImage", sequence, "line", line)) return;
  ScrollLine &entry = scroll_line(sequence, line);
  entry.is_image = 1;
  entry.is_set = 1;
  entry.x_pos = x_pos;
  entry.font_or_slot = slot;
  entry.colour_or_height = height;
  raise_to(credit_store.last_scroll_line[zero_based(sequence)], line);
}

void SetStaticCredit(int sequence, int id, const char *credit, int x_pos, int y_pos, int font, int colour) {
  if (!sequence_and_entry_in_range("SetStaticCredit", sequence, "id", id)) return;
  StaticCredit &entry = static_credit(sequence, id);
  entry.credit.assign(credit);
  entry.credit_lines.cut(entry.credit.text);
  entry.x_pos = x_pos;
  entry.y_pos = y_pos;
  entry.font = font;
  entry.colour = colour;
  raise_to(credit_store.last_static_id[zero_based(sequence)], id);
}

void SetStaticCreditTitle(int sequence, int id, const char *title, int x_pos, int y_pos, int font, int colour) {
  if (!sequence_and_entry_in_range("SetStaticCreditTitle", sequence, "id", id)) return;
  StaticCredit &entry = static_credit(sequence, id);
  entry.title.assign(title);
  entry.title_x_pos = x_pos;
  entry.title_y_pos = y_pos;
  entry.title_font = font;
  entry.title_colour = colour;
  raise_to(credit_store.last_static_id[zero_based(sequence)], id);
}

void SetStaticPause(int sequence, int id, int time) {
  if (!sequence_and_entry_in_range("SetStaticPause", sequence, "id", id)) return;
  static_credit(sequence, id).pause_time = time;
  raise_to(credit_store.last_static_id[zero_based(sequence)], id);
}

void SetStaticImage(int sequence, int id, int slot, int x_pos, int y_pos, int time) {
  if (!sequence_and_entry_in_range("SetStaticImage", sequence, "id", id)) return;
  StaticCredit &entry = static_credit(sequence, id);
  entry.is_image = 1;
  entry.slot = slot;
  entry.x_pos = x_pos;
  entry.y_pos = y_pos;
  entry.image_time = time;
  raise_to(credit_store.last_static_id[zero_based(sequence)], id);
}
