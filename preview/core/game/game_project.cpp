#include "game_project.h"
#include "credits_script.h"
#include "game_defaults.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <pugixml.hpp>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

namespace rollwick_preview {

namespace {

// Editor versions whose upgrade gives older projects other font defaults.
constexpr long first_version_with_font_metrics = 3060000;   // 3.6.0
constexpr long first_version_with_font_heights = 3060303;   // 3.6.3.3

bool same_ignoring_case(const std::string &a, const char *b) {
  if (a.size() != std::strlen(b)) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

bool is_directory(const std::string &path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

int number_of(const pugi::xml_node &node, const char *child, int fallback) {
  const pugi::xml_node element = node.child(child);
  if (!element) return fallback;
  const char *text = element.text().get();
  char *end = nullptr;
  const long value = std::strtol(text, &end, 10);
  return end != text ? static_cast<int>(value) : fallback;
}

std::string text_of(const pugi::xml_node &node, const char *child) { return node.child(child).text().get(); }

bool has(const pugi::xml_node &node, const char *child) { return static_cast<bool>(node.child(child)); }

int depth_of(const std::string &setting) {
  if (setting == "Palette") return 8;
  if (setting == "HighColor") return 16;
  return 32;
}

rollwick_host::FontStyle::Height height_of(const std::string &setting, rollwick_host::FontStyle::Height fallback) {
  using Height = rollwick_host::FontStyle::Height;
  if (setting == "NominalHeight") return Height::nominal;
  if (setting == "PixelHeight") return Height::real;
  if (setting == "CustomValue") return Height::custom;
  return fallback;
}

GameFont read_font(const pugi::xml_node &node, GameProject &project, long version,
                   const std::string &game_height_by) {
  using rollwick_host::FontStyle;
  GameFont font;
  font.id = number_of(node, "ID", 0);
  const std::string base = "agsfnt" + std::to_string(font.id);
  std::string source = text_of(node, "SourceFilename");
  for (char &c : source) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const bool source_truetype = source.size() > 4 && (source.compare(source.size() - 4, 4, ".ttf") == 0 ||
                                                     source.compare(source.size() - 4, 4, ".otf") == 0);
  font.expected = base + (source_truetype ? ".ttf" : ".wfn");
  font.file = find_file_ignoring_case(project.directory, base + ".ttf");
  font.truetype = !font.file.empty();
  if (font.file.empty()) font.file = find_file_ignoring_case(project.directory, base + ".wfn");

  FontStyle &style = font.style;
  // Settings beyond what the editor offers are brought into range, and said.
  const auto setting = [&](const char *name, int fallback, int low, int high) {
    const int value = number_of(node, name, fallback);
    if (value >= low && value <= high) return value;
    const int kept = value < low ? low : high;
    project.warnings.push_back("Game.agf: font " + std::to_string(font.id) + ": " + name + " " +
                               std::to_string(value) + " is outside " + std::to_string(low) + " to " +
                               std::to_string(high) + "; taken as " + std::to_string(kept));
    return kept;
  };
  font.point_size = setting("PointSize", 0, 0, 200);
  style.size_multiplier = setting("SizeMultiplier", 1, 1, 10);
  style.character_spacing = setting("CharacterSpacing", 0, -50, 50);
  style.vertical_offset = setting("VerticalOffset", 0, -100, 100);
  style.custom_height = setting("CustomHeightValue", 0, 0, 1000);

  const bool old_project = version < first_version_with_font_metrics;
  FontStyle::Height height_by = FontStyle::Height::nominal;
  if (!old_project) {
    if (version < first_version_with_font_heights && !game_height_by.empty()) {
      height_by = height_of(game_height_by, height_by);
    }
    height_by = height_of(text_of(node, "HeightDefinedBy"), height_by);
  }
  style.height_by = height_by;
  style.ascender_fixup = old_project || text_of(node, "TTFMetricsFixup") == "SetAscenderToHeight";

  const std::string outline = text_of(node, "OutlineStyle");
  if (outline == "Automatic") {
    style.outline = FontStyle::Outline::automatic;
  } else if (outline == "UseOutlineFont") {
    style.outline = FontStyle::Outline::font;
    style.outline_font = number_of(node, "OutlineFont", 0);
  }
  style.outline_thickness = setting("AutoOutlineThickness", 1, 1, 10);
  if (font.truetype && font.point_size == 0) {
    project.warnings.push_back("Game.agf: font " + std::to_string(font.id) +
                               " is a TrueType font of size 0; the engine loads it at 8 pixels");
  }
  style.rounded_outline = !old_project && text_of(node, "AutoOutlineStyle") == "Rounded";
  if (old_project && !font.truetype) style.outline_thickness = style.size_multiplier;
  return font;
}

// Every <Sprite> below a sprite folder, however deeply folders nest.
// Folders nest no deeper than 64 in a real project; deeper ones are not walked.
void read_sprite_flags(const pugi::xml_node &folder, GameProject &project, int depth = 0) {
  if (depth > 64) return;
  for (const pugi::xml_node &child : folder.children()) {
    if (std::strcmp(child.name(), "Sprite") == 0) {
      project.sprite_alpha[child.attribute("Slot").as_int()] =
          std::strcmp(child.attribute("AlphaChannel").as_string(), "True") == 0;
    } else {
      read_sprite_flags(child, project, depth + 1);
    }
  }
}

// A path inside the project folder as the editor wrote it (with either kind
// of slash), found in any case; empty if it is not there.
std::string find_path_ignoring_case(const std::string &directory, std::string relative) {
  for (char &c : relative) {
    if (c == '\\') c = '/';
  }
  std::string found = directory;
  size_t start = 0;
  while (start <= relative.size()) {
    const size_t slash = relative.find('/', start);
    const std::string part = relative.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    if (!part.empty()) {
      found = find_file_ignoring_case(found, part);
      if (found.empty()) return "";
    }
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  return found;
}

// The number of a 2.x-style clip name ("aSound12" with "aSound": 12), or -1.
int clip_number(const std::string &name, const std::string &prefix) {
  if (name.rfind(prefix, 0) != 0 || name.size() == prefix.size() || name.size() > prefix.size() + 6 ||
      name.find_first_not_of("0123456789", prefix.size()) != std::string::npos) {
    return -1;
  }
  return std::atoi(name.c_str() + prefix.size());
}

// A clip's file as the editor finds it: its own copy in AudioCache/ ("au",
// the clip's Index in six upper-case hex digits, the source's extension),
// then the file it was imported from, relative to the project or absolute
// (a Windows path with a drive letter names no file here).
GameProject::Clip find_clip(const std::string &directory, const std::string &index, const std::string &source) {
  GameProject::Clip clip;
  std::string wanted = source;
  for (char &c : wanted) c = c == '\\' ? '/' : c;
  const size_t dot = wanted.rfind('.');
  const std::string extension = dot == std::string::npos || wanted.find('/', dot) != std::string::npos
                                    ? "" : wanted.substr(dot);
  std::vector<std::string> places;
  char *end = nullptr;
  const long number = std::strtol(index.c_str(), &end, 10);
  if (!index.empty() && *end == '\0' && number >= 0 && number <= 0xFFFFFF) {
    char cached[32];
    std::snprintf(cached, sizeof cached, "AudioCache/au%06lX", number);
    places.push_back(cached + extension);
  }
  const bool drive = wanted.size() > 2 && std::isalpha(static_cast<unsigned char>(wanted[0])) && wanted[1] == ':';
  if (!wanted.empty() && !drive) places.push_back(wanted);
  std::string looked;
  for (const std::string &place : places) {
    clip.file = place[0] == '/' ? (access(place.c_str(), R_OK) == 0 ? place : "")
                                : find_path_ignoring_case(directory, place);
    if (!clip.file.empty()) {
      clip.found = true;
      return clip;
    }
    looked += (looked.empty() ? "" : " and ") + (place[0] == '/' ? place : directory + "/" + place);
  }
  if (drive) looked += (looked.empty() ? "" : " and ") + source + " (a path on the author's Windows machine)";
  clip.file = places.empty() ? directory + "/" + wanted : (places.back()[0] == '/' ? places.back() : directory + "/" + places.back());
  clip.looked = looked.empty() ? clip.file : looked;
  return clip;
}

// Every clip with its file; PlaySound(n) plays aSound<n>, PlayMusic(n) aMusic<n>.
void read_audio_clips(const pugi::xml_node &node, GameProject &project, int depth = 0) {
  if (depth > 64) return;
  for (const pugi::xml_node &child : node.children()) {
    if (std::strcmp(child.name(), "AudioClip") == 0) {
      const std::string name = text_of(child, "ScriptName");
      if (name.empty()) continue;
      project.clips[name] = find_clip(project.directory, text_of(child, "Index"), text_of(child, "SourceFileName"));
      const GameProject::Clip &clip = project.clips[name];
      if (!clip.found) continue;
      if (clip_number(name, "aSound") >= 0) project.sound_files[clip_number(name, "aSound")] = clip.file;
      if (clip_number(name, "aMusic") >= 0) project.music_files[clip_number(name, "aMusic")] = clip.file;
    } else {
      read_audio_clips(child, project, depth + 1);
    }
  }
}

// The headers the editor puts before every script, and the scripts (the
// global script and the modules), in its order.
void read_script_headers(const pugi::xml_node &node, GameProject &project, int depth = 0) {
  if (depth > 64) return;
  for (const pugi::xml_node &child : node.children()) {
    if (std::strcmp(child.name(), "Script") == 0) {
      std::vector<std::string> &list = text_of(child, "IsHeader") == "True" ? project.headers : project.scripts;
      const std::string file = find_file_ignoring_case(project.directory, text_of(child, "FileName"));
      // A script listed twice is read once.
      if (!file.empty() && std::find(list.begin(), list.end(), file) == list.end()) list.push_back(file);
    } else {
      read_script_headers(child, project, depth + 1);
    }
  }
}

// Every element named `name` under `node`, in the editor's folders (which
// nest), in document order; the walk holds no more than the document's
// elements and never recurses.
std::vector<pugi::xml_node> elements_named(const pugi::xml_node &node, const char *name) {
  std::vector<pugi::xml_node> found;
  std::vector<pugi::xml_node> stack = {node};
  while (!stack.empty()) {
    const pugi::xml_node at = stack.back();
    stack.pop_back();
    if (std::strcmp(at.name(), name) == 0 && at != node) {
      found.push_back(at);
      continue;
    }
    std::vector<pugi::xml_node> children(at.children().begin(), at.children().end());
    for (auto child = children.rbegin(); child != children.rend(); ++child) {
      if (child->type() == pugi::node_element) stack.push_back(*child);
    }
  }
  return found;
}

// The rooms the project lists, and where the player character starts.
void read_rooms(const pugi::xml_node &game, GameProject &project) {
  for (const pugi::xml_node &room : elements_named(game.child("Rooms"), "UnloadedRoom")) {
    const int number = number_of(room, "Number", -1);
    if (number >= 0) project.rooms.insert(number);
  }
  const int player = number_of(game, "PlayerCharacter", 0);
  for (const pugi::xml_node &character : elements_named(game.child("Characters"), "Character")) {
    if (number_of(character, "ID", -1) != player) continue;
    project.player_room = number_of(character, "StartingRoom", -1);
    project.player_x = number_of(character, "StartX", 0);
    project.player_y = number_of(character, "StartY", 0);
    break;
  }
}

}  // namespace

std::string find_file_ignoring_case(const std::string &directory, const std::string &name) {
  DIR *listing = opendir(directory.c_str());
  if (listing == nullptr) return "";
  std::string found;
  while (const dirent *entry = readdir(listing)) {
    if (same_ignoring_case(name, entry->d_name)) {
      found = directory + "/" + entry->d_name;
      if (name == entry->d_name) break;  // the exact name wins over another spelling
    }
  }
  closedir(listing);
  return found;
}

bool read_game_project(const std::string &path, GameProject &project, std::string &error) {
  project = GameProject{};
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    error = path + ": no such file or folder";
    return false;
  }
  std::string directory = path;
  if (!S_ISDIR(info.st_mode)) {
    // The project file itself: its folder is the project.
    const size_t slash = path.rfind('/');
    directory = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
    if (!same_ignoring_case(path.substr(slash == std::string::npos ? 0 : slash + 1), "Game.agf")) {
      error = path + " is not a game: give the game's project folder or its Game.agf";
      return false;
    }
  }
  project.directory = directory;
  project.agf_path = S_ISDIR(info.st_mode) ? find_file_ignoring_case(directory, "Game.agf") : path;
  if (project.agf_path.empty()) {
    error = directory + ": the folder has no Game.agf (it is not a game's project folder)";
    return false;
  }
  if (is_directory(project.agf_path)) {
    error = project.agf_path + " is a folder, not the game's project file";
    return false;
  }
  struct stat agf_info {};
  constexpr off_t largest_agf = off_t(256) << 20;  // real projects' are a few megabytes
  if (stat(project.agf_path.c_str(), &agf_info) == 0 && agf_info.st_size > largest_agf) {
    error = project.agf_path + " is larger than any game's project file (256 MiB at most)";
    return false;
  }
  pugi::xml_document document;
  const pugi::xml_parse_result parsed = document.load_file(project.agf_path.c_str());
  if (!parsed) {
    error = project.agf_path + ": not a readable project file at byte " + std::to_string(parsed.offset) + ": " +
            parsed.description();
    return false;
  }
  const pugi::xml_node root = document.child("AGSEditorDocument");
  const pugi::xml_node game = root.child("Game");
  if (!game) {
    error = project.agf_path + ": not a game project file (no <AGSEditorDocument><Game>)";
    return false;
  }
  const long version = root.attribute("VersionIndex").as_llong(first_version_with_font_heights);

  const pugi::xml_node settings = game.child("Settings");
  const std::string resolution = text_of(settings, "CustomResolution");
  int width = 0;
  int height = 0;
  if (std::sscanf(resolution.c_str(), "%d,%d", &width, &height) == 2 && width > 0 && height > 0) {
    if (width > MAX_SCREEN_SIDE || height > MAX_SCREEN_SIDE) {
      error = project.agf_path + ": the game's screen is " + std::to_string(width) + "x" + std::to_string(height) +
              ", larger than the previewer draws (" + std::to_string(MAX_SCREEN_SIDE) + " x " +
              std::to_string(MAX_SCREEN_SIDE) + " at most)";
      return false;
    }
    project.width = width;
    project.height = height;
  } else if (!resolution.empty()) {
    project.warnings.push_back("Game.agf: CustomResolution '" + printable(resolution) + "' is not a size; taken as " +
                               std::to_string(project.width) + "x" + std::to_string(project.height));
  }
  if (has(settings, "ColorDepth")) project.depth = depth_of(text_of(settings, "ColorDepth"));
  project.antialias_fonts = text_of(settings, "AntiAliasFonts") == "True";
  const std::string game_height_by = text_of(settings, "TTFHeightDefinedBy");

  for (const pugi::xml_node &entry : game.child("Palette").children("PaletteEntry")) {
    const int index = entry.attribute("Index").as_int(-1);
    if (index < 0 || index > 255) continue;
    // The game keeps 6 bits a channel (the editor's value divided by 4); the
    // engine's blit to its 32-bit display widens them as 0, 4, ... 60, 65,
    // ... 251, 255: the 6 bits, then their top 2 bits again.
    const auto channel = [&](const char *name) {
      const uint32_t six = static_cast<uint32_t>(std::min(255, std::max(0, entry.attribute(name).as_int()))) / 4;
      return six << 2 | six >> 4;
    };
    project.palette[static_cast<size_t>(index)] = channel("Red") << 16 | channel("Green") << 8 | channel("Blue");
    project.background_entries[static_cast<size_t>(index)] = entry.attribute("Type").as_string() == std::string("Background");
  }
  read_rooms(game, project);
  for (const pugi::xml_node &font : game.child("Fonts").children("Font")) {
    project.fonts.push_back(read_font(font, project, version, game_height_by));
  }
  read_sprite_flags(game.child("Sprites"), project);
  read_audio_clips(game.child("AudioClips"), project);
  read_script_headers(game.child("Scripts"), project);
  // The speed: a setting since 3.6.2.6, whose upgrade gives older projects 40.
  constexpr long first_version_with_speed = 3060206;
  project.fps = version < first_version_with_speed ? DEFAULT_GAME_SPEED : number_of(settings, "GameFPS", 60);
  if (project.fps <= 0) project.fps = 60;
  project.utf8 = !has(settings, "GameTextEncoding") || text_of(settings, "GameTextEncoding") == "utf-8";
  project.sprite_file = find_file_ignoring_case(directory, "acsprset.spr");
  project.sprite_index = find_file_ignoring_case(directory, "sprindex.dat");
  return true;
}

std::string room_file(const GameProject &project, int number, const char *extension) {
  const std::string name = "room" + std::to_string(number) + extension;
  const std::string found = find_file_ignoring_case(project.directory, name);
  return found.empty() ? project.directory + "/" + name : found;
}

std::vector<std::string> files_read(const GameProject &project) {
  std::vector<std::string> files;
  std::set<std::string> seen;
  const auto add = [&](const std::string &file) {
    if (!file.empty() && seen.insert(file).second) files.push_back(file);
  };
  for (const std::string &file : {project.agf_path, project.sprite_file, project.sprite_index}) add(file);
  for (const std::string &header : project.headers) add(header);
  for (const std::string &script : project.scripts) add(script);
  for (const GameFont &font : project.fonts) add(font.file);
  for (const auto &numbered : {project.sound_files, project.music_files}) {
    for (const auto &file : numbered) add(file.second);
  }
  for (const auto &clip : project.clips) {
    if (clip.second.found) add(clip.second.file);
  }
  return files;
}

}  // namespace rollwick_preview
