#include "credits_sheet.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "credit_store.h"

namespace rollwick_preview {

namespace {

std::string trimmed(const std::string &text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
  while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
  return text.substr(begin, end - begin);
}

std::string lower(std::string text) {
  for (char &c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool ends_with(const std::string &text, const std::string &end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// A field of a CSV record, or the value of a setting, with where it starts.
struct Cell {
  std::string text;
  int line = 0;
  int column = 0;
};

// Sets `key` from `value`; false when the key is not a setting.
bool apply_setting(const std::string &file, const std::string &key_text, const Cell &value, SheetSettings &settings,
                   std::string &title) {
  std::string key = lower(trimmed(key_text));
  const size_t color = key.find("color");
  if (color != std::string::npos) key.replace(color, 5, "colour");
  const auto number = [&]() {
    const std::string text = trimmed(value.text);
    char *end = nullptr;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || parsed < -1000000 || parsed > 1000000) {
      throw ScriptError(file, value.line, value.column,
                        "the setting '" + key + "' takes a whole number, not '" + printable(text) + "'");
    }
    return static_cast<int>(parsed);
  };
  const std::pair<const char *, SheetStyle *> styles[] = {
      {"title", &settings.title}, {"section", &settings.section}, {"role", &settings.role}, {"name", &settings.name}};
  for (const auto &style : styles) {
    if (key == std::string(style.first) + " font") {
      style.second->font = number();
      return true;
    }
    if (key == std::string(style.first) + " colour") {
      style.second->colour = number();
      return true;
    }
  }
  if (key == "layout") {
    const std::string layout = trimmed(value.text);
    if (layout != "<#>" && layout != "<.>" && layout != "<>") {
      throw ScriptError(file, value.line, value.column,
                        "the layout of a role line is <#> (either side of the centre), <.> (a dotted leader) or <> "
                        "(two columns), not '" + printable(layout) + "'");
    }
    settings.layout = layout;
  } else if (key == "margin") {
    settings.margin = number();
  } else if (key == "empty line") {
    settings.empty_line = number();
  } else if (key == "speed") {
    settings.speed = std::max(0, number());
  } else if (key == "hold") {
    settings.hold = std::max(0, number());
  } else if (key == "start") {
    settings.start = lower(trimmed(value.text)) == "bottom" ? -1 : std::max(0, number());
  } else if (key == "title") {
    title = trimmed(value.text);
  } else {
    return false;
  }
  return true;
}

// "key: value" at `line`; false when the line is not one.
bool setting_line(const std::string &file, const std::string &text, int line, SheetSettings &settings,
                  std::string &title) {
  const size_t colon = text.find(':');
  if (colon == std::string::npos) return false;
  Cell value{text.substr(colon + 1), line, static_cast<int>(colon) + 2};
  return apply_setting(file, text.substr(0, colon), value, settings, title);
}

// The records of a CSV text (RFC 4180: fields in double quotes may hold
// commas, line breaks and doubled quotes), each field with its place.
std::vector<std::vector<Cell>> csv_records(const std::string &file, const std::string &text) {
  std::vector<std::vector<Cell>> records;
  std::vector<Cell> record;
  Cell cell{"", 1, 1};
  int line = 1;
  int column = 1;
  bool quoted = false;       // inside quotes
  bool was_quoted = false;   // the field was quoted and its quote closed
  int quote_line = 0;
  int quote_column = 0;
  const auto end_field = [&]() {
    record.push_back(cell);
    cell = Cell{"", line, column + 1};
    was_quoted = false;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        cell.text += '"';
        ++i;
        column += 2;
        continue;
      }
      if (c == '"') {
        quoted = false;
        was_quoted = true;
      } else {
        cell.text += c;
      }
      if (c == '\n') {
        line += 1;
        column = 1;
      } else {
        column += 1;
      }
      continue;
    }
    if (c == ',') {
      end_field();
      column += 1;
    } else if (c == '\n' || c == '\r') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      record.push_back(cell);
      records.push_back(record);
      record.clear();
      line += 1;
      column = 1;
      cell = Cell{"", line, 1};
      was_quoted = false;
    } else if (c == '"' && trimmed(cell.text).empty() && !was_quoted) {
      quoted = true;
      quote_line = line;
      quote_column = column;
      cell.text.clear();
      column += 1;
    } else if (was_quoted && !std::isspace(static_cast<unsigned char>(c))) {
      throw ScriptError(file, line, column, "text after a quoted field's closing quote (a quote inside a field is "
                                            "written twice: \"\")");
    } else {
      if (!was_quoted) cell.text += c;
      column += 1;
    }
  }
  if (quoted) throw ScriptError(file, quote_line, quote_column, "this quote is never closed");
  if (!cell.text.empty() || !record.empty() || was_quoted) {
    record.push_back(cell);
    records.push_back(record);
  }
  return records;
}

void add_space(Sheet &sheet, int line) {
  if (!sheet.lines.empty()) sheet.lines.push_back({SheetLine::Kind::space, "", "", 0, line});
}

// A section starts after an empty line, one the sheet has or one added.
void add_section(Sheet &sheet, const std::string &text, int line) {
  if (!sheet.lines.empty() && sheet.lines.back().kind != SheetLine::Kind::space) add_space(sheet, line);
  sheet.lines.push_back({SheetLine::Kind::section, "", text, 0, line});
}

// A role with its names: the first beside the role, the others below it.
void add_role(Sheet &sheet, const std::string &role, const std::vector<std::string> &names, int line) {
  if (names.empty()) {
    sheet.lines.push_back({SheetLine::Kind::role, role, "", 0, line});
    return;
  }
  for (size_t i = 0; i < names.size(); ++i) {
    sheet.lines.push_back({SheetLine::Kind::role, i == 0 ? role : "", names[i], 0, line});
  }
}

int slot_of(const std::string &file, const Cell &cell) {
  const std::string text = trimmed(cell.text);
  char *end = nullptr;
  const long slot = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || slot < 0 || slot > 0x7FFFFFFF) {
    throw ScriptError(file, cell.line, cell.column, "an image is a sprite slot, not '" + printable(text) + "'");
  }
  return static_cast<int>(slot);
}

// A row that starts with #: a comment, or a setting ("# key: value").
void read_comment_row(Sheet &sheet, const std::vector<Cell> &record) {
  std::string comment = trimmed(record.front().text).substr(1);
  for (size_t i = 1; i < record.size(); ++i) comment += "," + record[i].text;
  const size_t colon = comment.find(':');
  if (colon == std::string::npos) return;
  std::string title;
  const Cell value{comment.substr(colon + 1), record.front().line, record.front().column};
  apply_setting(sheet.file, comment.substr(0, colon), value, sheet.settings, title);
  if (!title.empty()) sheet.lines.push_back({SheetLine::Kind::title, "", title, 0, record.front().line});
}

void read_csv(Sheet &sheet, const std::string &text) {
  const std::vector<std::vector<Cell>> records = csv_records(sheet.file, text);
  std::map<std::string, int> columns;  // name: its first column
  std::vector<int> name_columns;
  size_t width = 0;
  std::string section;
  std::string last_role;
  bool header = false;
  for (const std::vector<Cell> &record : records) {
    const std::string first = trimmed(record.front().text);
    if (!first.empty() && first[0] == '#') {
      read_comment_row(sheet, record);
      continue;
    }
    if (!header) {
      for (size_t i = 0; i < record.size(); ++i) {
        const std::string name = lower(trimmed(record[i].text));
        if (name == "name") name_columns.push_back(static_cast<int>(i));
        if (!name.empty() && !columns.count(name)) columns[name] = static_cast<int>(i);
      }
      if (name_columns.empty() && !columns.count("role")) {
        throw ScriptError(sheet.file, record.front().line, 1,
                          "the first row names the columns: section, role, name (more name columns for more names), "
                          "image, note");
      }
      width = record.size();
      header = true;
      continue;
    }
    if (record.size() > width) {
      const Cell &extra = record[width];
      throw ScriptError(sheet.file, extra.line, extra.column,
                        "this row has " + std::to_string(record.size()) + " fields, its header " +
                            std::to_string(width));
    }
    const auto field = [&](const char *name) -> const Cell * {
      const auto found = columns.find(name);
      return found != columns.end() && static_cast<size_t>(found->second) < record.size() ? &record[found->second]
                                                                                           : nullptr;
    };
    bool empty = true;
    for (const Cell &cell : record) empty = empty && trimmed(cell.text).empty();
    const int line = record.front().line;
    if (empty) {
      add_space(sheet, line);
      continue;
    }
    const Cell *section_cell = field("section");
    if (section_cell != nullptr && !trimmed(section_cell->text).empty() && trimmed(section_cell->text) != section) {
      section = trimmed(section_cell->text);
      last_role.clear();
      add_section(sheet, section, line);
    }
    std::vector<std::string> names;
    for (const int column : name_columns) {
      if (static_cast<size_t>(column) < record.size() && !trimmed(record[column].text).empty()) {
        names.push_back(trimmed(record[column].text));
      }
    }
    const Cell *role_cell = field("role");
    const std::string role = role_cell != nullptr ? trimmed(role_cell->text) : "";
    if (!role.empty()) {
      add_role(sheet, role == last_role ? "" : role, names, line);
      last_role = role;
    } else {
      for (const std::string &name : names) sheet.lines.push_back({SheetLine::Kind::name, "", name, 0, line});
    }
    const Cell *image = field("image");
    if (image != nullptr && !trimmed(image->text).empty()) {
      sheet.lines.push_back({SheetLine::Kind::image, "", "", slot_of(sheet.file, *image), line});
    }
  }
}

void read_text(Sheet &sheet, const std::string &text) {
  bool content = false;
  size_t at = 0;
  for (int line = 1; at <= text.size(); ++line) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string row = text.substr(at, end - at);
    at = end + 1;
    if (!row.empty() && row.back() == '\r') row.pop_back();
    const std::string body = trimmed(row);
    std::string title;
    if (!content && !body.empty() && body[0] != '#' && setting_line(sheet.file, body, line, sheet.settings, title)) {
      if (!title.empty()) sheet.lines.push_back({SheetLine::Kind::title, "", title, 0, line});
      continue;
    }
    if (body.empty()) {
      if (content) add_space(sheet, line);
      if (end == text.size()) break;
      continue;
    }
    content = true;
    if (body.rfind("## ", 0) == 0) {
      add_section(sheet, trimmed(body.substr(3)), line);
    } else if (body.rfind("# ", 0) == 0) {
      sheet.lines.push_back({SheetLine::Kind::title, "", trimmed(body.substr(2)), 0, line});
    } else if (body.rfind("![", 0) == 0 && body.find("](sprite ") != std::string::npos && body.back() == ')') {
      const size_t open = body.find("](sprite ") + 9;
      const Cell cell{body.substr(open, body.size() - 1 - open), line, static_cast<int>(row.find("](sprite ")) + 10};
      sheet.lines.push_back({SheetLine::Kind::image, "", "", slot_of(sheet.file, cell), line});
    } else if (body[0] != '\\' && body.find(':') != std::string::npos) {
      const size_t colon = body.find(':');
      std::vector<std::string> names;
      std::string rest = body.substr(colon + 1);
      for (size_t from = 0; from <= rest.size();) {
        size_t comma = rest.find(',', from);
        if (comma == std::string::npos) comma = rest.size();
        const std::string name = trimmed(rest.substr(from, comma - from));
        if (!name.empty()) names.push_back(name);
        from = comma + 1;
      }
      add_role(sheet, trimmed(body.substr(0, colon)), names, line);
    } else {
      sheet.lines.push_back({SheetLine::Kind::name, "", body[0] == '\\' ? body.substr(1) : body, 0, line});
    }
    if (end == text.size()) break;
  }
}

// A text as a string literal of the credits script.
std::string literal(const std::string &text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

}  // namespace

const SheetStyle &style_of(const SheetLine &line, const SheetSettings &settings) {
  switch (line.kind) {
    case SheetLine::Kind::title: return settings.title;
    case SheetLine::Kind::section: return settings.section;
    case SheetLine::Kind::role: return settings.role;
    default: return settings.name;
  }
}

std::string credit_text(const SheetLine &line, const SheetSettings &settings) {
  if (line.kind != SheetLine::Kind::role) return line.text;
  // A name under its role's first stands in the names' column, with no leader.
  const std::string joint = line.role.empty() && settings.layout == "<.>" ? "<>" : settings.layout;
  return line.role + joint + line.text;
}

bool is_sheet_file(const std::string &file) {
  const std::string name = lower(file);
  return ends_with(name, ".csv") || ends_with(name, ".md");
}

Sheet read_sheet(const std::string &file, const std::string &bytes) {
  Sheet sheet;
  sheet.file = file;
  const std::string text = bytes.rfind("\xEF\xBB\xBF", 0) == 0 ? bytes.substr(3) : bytes;
  if (ends_with(lower(file), ".csv")) {
    read_csv(sheet, text);
  } else {
    read_text(sheet, text);
  }
  while (!sheet.lines.empty() && sheet.lines.back().kind == SheetLine::Kind::space) sheet.lines.pop_back();
  return sheet;
}

SheetScript sheet_script(const Sheet &sheet, const std::function<int(const SheetLine &line)> &layout_height) {
  SheetScript out;
  const SheetSettings &s = sheet.settings;
  const auto emit = [&](const std::string &statement, int line) {
    out.source += statement + "\n";
    out.sheet_lines.push_back(line);
  };
  emit("// The credits of " + sheet.file + ", laid out by the previewer.", 0);
  emit("CreditsSettings(" + std::to_string(s.empty_line) + ");", 0);

  // Parts of at most a sequence's lines, ended before a section where one
  // fits; a part never starts with empty lines.
  std::vector<std::pair<size_t, size_t>> parts;
  for (size_t begin = 0; begin < sheet.lines.size();) {
    while (begin < sheet.lines.size() && sheet.lines[begin].kind == SheetLine::Kind::space) ++begin;
    if (begin == sheet.lines.size()) break;
    size_t end = std::min(sheet.lines.size(), begin + ENTRY_COUNT);
    if (end < sheet.lines.size()) {
      for (size_t at = end; at > begin + ENTRY_COUNT / 2; --at) {
        if (sheet.lines[at].kind == SheetLine::Kind::section) {
          end = at;
          break;
        }
      }
    }
    parts.push_back({begin, end});
    begin = end;
  }
  const int margin = s.margin != SheetSettings::MARGIN_BY_LAYOUT ? s.margin : s.layout == "<#>" ? 12 : 20;
  std::vector<int> filled(SEQUENCE_COUNT + 1, 0);  // lines each sequence holds from an earlier part
  for (size_t part = 0; part < parts.size(); ++part) {
    const int sequence = static_cast<int>(part % SEQUENCE_COUNT) + 1;
    const std::string n = std::to_string(sequence);
    int number = 0;
    int64_t height = 0;  // the column's, as the plug-in measures it
    for (size_t i = parts[part].first; i < parts[part].second; ++i) {
      const SheetLine &line = sheet.lines[i];
      number += 1;
      if (layout_height) height += layout_height(line);
      const std::string at = n + ", " + std::to_string(number) + ", ";
      switch (line.kind) {
        case SheetLine::Kind::title:
        case SheetLine::Kind::section:
        case SheetLine::Kind::name:
        case SheetLine::Kind::role: {
          const SheetStyle &style = style_of(line, s);
          const int x = line.kind == SheetLine::Kind::role ? margin : -1;
          emit("SetCredit(" + at + literal(credit_text(line, s)) + ", " + std::to_string(x) + ", " +
                   std::to_string(style.font) + ", " + std::to_string(style.colour) + ");",
               line.line);
          break;
        }
        case SheetLine::Kind::image:
          emit("SetCreditImage(" + at + "-1, " + std::to_string(line.slot) + ", -1);", line.line);
          break;
        case SheetLine::Kind::space: break;  // a line left unset is an empty line
      }
    }
    // Lines an earlier part left in this sequence: blank, they scroll by as
    // empty space at the end of this part.
    for (int left = number + 1; left <= filled[sequence]; ++left) {
      emit("SetCredit(" + n + ", " + std::to_string(left) + ", \"\", -1, " + std::to_string(s.name.font) + ", " +
               std::to_string(s.name.colour) + ");",
           0);
      if (layout_height) height += layout_height({SheetLine::Kind::name, "", "", 0, 0});
    }
    filled[sequence] = std::max(filled[sequence], number);
    const bool last = part + 1 == parts.size();
    // From below the screen (automatic), or from `start` down to where an
    // automatic roll would end.
    const bool own_start = s.start >= 0 && layout_height;
    emit("SequenceSettings(" + n + ", " + std::to_string(own_start ? s.start : 0) + ", " +
             std::to_string(own_start ? -height : 0) + ", " + std::to_string(s.speed) + ", " + (own_start ? "0" : "1") +
             ", " + std::to_string(last ? s.hold : 0) + ");",
         0);
    emit("RunCreditSequence(" + n + ");", 0);
    emit("while (IsSequenceFinished(" + n + ") == 0) Wait(1);", 0);
  }
  out.parts = static_cast<int>(parts.size());
  if (parts.empty()) emit("Wait(1);", 0);
  return out;
}

bool fit_sheet(int64_t target, int fps, const std::function<int64_t(int speed, int hold)> &frames_at, SheetFit &fit,
               std::string &why) {
  const int64_t fastest = frames_at(0, 0);
  if (fastest > target) {
    char seconds[64];
    std::snprintf(seconds, sizeof seconds, "%.2f s; %.2f s", static_cast<double>(fastest) / fps,
                  static_cast<double>(fastest - target) / fps);
    why = "even at the fastest speed (0: a move every frame) the roll lasts " + std::to_string(fastest) +
          " frames (" + seconds + " longer than the music)";
    fit = {0, 0, fastest};
    return false;
  }
  // The roll's length grows with the speed, about (speed + 1) times the
  // fastest's: the slowest speed that still fits, then the hold for the rest.
  const int64_t second = frames_at(1, 0);
  const int64_t per_step = std::max<int64_t>(1, second - fastest);
  int speed = static_cast<int>(std::min<int64_t>(10000, std::max<int64_t>(0, (target - fastest) / per_step)));
  int64_t frames = frames_at(speed, 0);
  while (speed > 0 && frames > target) frames = frames_at(--speed, 0);
  while (speed < 10000) {
    const int64_t slower = frames_at(speed + 1, 0);
    if (slower > target) break;
    speed += 1;
    frames = slower;
  }
  // A hold of h > 0 draws the end on h + 1 more frames.
  int hold = target - frames >= 2 ? static_cast<int>(target - frames - 1) : 0;
  for (int tries = 0; tries < 3 && hold > 0; ++tries) {
    const int64_t held = frames_at(speed, hold);
    if (held == target) break;
    hold = std::max(0, hold + static_cast<int>(target - held));
  }
  fit = {speed, hold, frames_at(speed, hold)};
  return true;
}

}  // namespace rollwick_preview
