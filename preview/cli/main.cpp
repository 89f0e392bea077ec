// rollwick-preview: plays a credits script through the real plug-in library
// and renders every frame the way the engine would, without the game.
//
// A run plays the script twice, each time through a fresh copy of the
// plug-in: once without outputs, which finds every warning and error and
// the length before anything is written, then again into the outputs.
//
// Exit status: 0 done; 1 the script or its inputs are wrong (or a warning
// with --strict); 2 the command line is wrong.
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>

#include "credits_script.h"
#include "emit_ags.h"
#include "game_project.h"
#include "game_defaults.h"
#include "game_setup.h"
#include "lint.h"
#include "script_encoding.h"
#include "outputs.h"
#include "play_flow.h"
#include "plugin_session.h"
#include "runner.h"
#include "sprite_file.h"
#include "video_output.h"
#include "user_files.h"

using namespace rollwick_preview;

namespace {

const char version_text[] = "rollwick-preview 2.0 (agsRollwick 2.0)\n";

const char usage_text[] =
    "usage: rollwick-preview SCRIPT [options]     (SCRIPT '-' reads standard input)\n"
    "       rollwick-preview --game DIR [options] (the game's own scripts: the first that calls the plug-in)\n"
    "\n"
    "Plays a credits script through the agsRollwick plug-in and renders it. SCRIPT is a credits file, or a\n"
    "game script (.asc: a global script, room script or module) of which only the credits function runs.\n"
    "\n"
    "output (default: -o SCRIPT.gif, or ./credits.gif for standard input); -o may be given more than once\n"
    "  -o, --output FILE      FILE.gif: the animation at the game's speed; FILE.png with --frame;\n"
    "                         FILE.mp4 (H.264, AAC), FILE.webm (VP9, Opus) or FILE.mkv (RGB H.264, FLAC,\n"
    "                         lossless): a video with the sounds and music the credits play\n"
    "  --scale N              video: each pixel N x N (default: the least that makes it 720 high; .mkv 1)\n"
    "  --lossless             video: a lossless .mkv (H.264 in RGB, quantiser 0)\n"
    "  --sound N=FILE         video: the sound file that sound number N plays (wav, ogg, mp3)\n"
    "  --music FILE           video: a background track, cut and faded to the video's length\n"
    "  --frames DIR           every frame as DIR/frame-NNNNN.png: DIR is new, or holds only an earlier\n"
    "                         render's frames, which are replaced when the render succeeds\n"
    "  --frame N              only frame N (from 0), as the PNG named by -o\n"
    "  --sheet FILE.png       a contact sheet: the ends of the waits, the last frame, the rest evenly\n"
    "  --sheet-frames N       frames on the contact sheet (default 12)\n"
    "  --sheet-scale N        shrink each sheet frame N times (default 1 for games up to 400 high)\n"
    "  --sheet-columns N      sheet frames to a row (default 4)\n"
    "  --emit-ags             print the script as AGS script code and stop (a sheet's in a function named\n"
    "                         by --function, default play_credits)\n"
    "sheet (SCRIPT.csv or SCRIPT.md: the credits as a list)\n"
    "  --duration M:SS        the roll's speed and hold chosen so that the credits last this long\n"
    "  --fit-to CLIP          ... as long as this music: a sound file, or the name of a game's audio clip\n"
    "game\n"
    "  --game DIR             the game's project folder (or its Game.agf): resolution, colour depth and\n"
    "                         palette, speed, fonts as the game sets them up, sprite file, audio clips,\n"
    "                         script headers\n"
    "  --screen WxH           the game's resolution (default 320x200, or the game's)\n"
    "  --depth 8|16|32        the game's colour depth (default 32, or the game's)\n"
    "  --fps N                the game's speed in frames a second (default 40, or the game's; over SetGameSpeed)\n"
    "  --font N=FILE[:SIZE]   font N from an AGS .wfn file, or a TrueType file at SIZE pixels (default 12)\n"
    "  --antialias            anti-aliased TrueType text (32-bit games; the game's setting with --game)\n"
    "  --sprite N=FILE.png    sprite slot N\n"
    "  --room N               with --game: the room under the credits (default: the room whose script plays\n"
    "                         them, else the player character's starting room)\n"
    "  --no-room              with --game: black under the credits\n"
    "  --background FILE.png  a picture under the credits instead of the room (scaled to the screen)\n"
    "run\n"
    "  --function NAME        the function that plays the credits (default: a room script's after-fade-in\n"
    "                         function, play_credits, the only function, or the only one no other calls that\n"
    "                         calls the plug-in)\n"
    "  --max-frames N         stop after N frames (default: when the script ends; a script that would play\n"
    "                         past 100000 frames is an error)\n"
    "  --strict               stop with an error at the first warning\n"
    "  --plugin FILE          the plug-in library (default: the one next to this program)\n"
    "  -q, --quiet            print only warnings and errors\n"
    "  --version              the version\n";

struct Options {
  std::string script;
  std::vector<std::string> outputs;
  std::string frames_directory;
  std::string sheet;
  int sheet_frames = DEFAULT_SHEET_FRAMES;
  int sheet_scale = 0;
  int sheet_columns = 4;
  int64_t single_frame = -1;
  bool emit = false;
  double duration = -1;  // seconds the sheet's credits are fitted to
  std::string fit_to;
  int sheet_speed = -1;  // as fitted
  int sheet_hold = -1;
  int width = DEFAULT_SCREEN_WIDTH;
  int height = DEFAULT_SCREEN_HEIGHT;
  bool screen_given = false;
  int depth = 32;
  bool depth_given = false;
  int fps = DEFAULT_GAME_SPEED;
  bool fps_given = false;
  std::vector<std::pair<int, std::string>> fonts;  // number, FILE[:SIZE]
  std::string game_directory;
  bool antialias = false;
  std::vector<std::pair<int, std::string>> sprites;
  std::string background;
  int room = -1;
  bool no_room = false;
  std::string function;
  int64_t max_frames = -1;
  bool strict = false;
  bool quiet = false;
  std::string plugin;
  int scale = 0;
  bool lossless = false;
  std::vector<std::pair<int, std::string>> sounds;
  std::string music;
};

// A message as a terminal shows it safely: control bytes and bytes that are
// not UTF-8 written as \xNN (file names and script texts may hold any).
std::string safe(const std::string &message) { return printable(message, SIZE_MAX / 2); }

// What the author can do about a message, in the command line's words.
std::string hint_for(Hint hint, int number) {
  switch (hint) {
    case Hint::none:
      break;
    case Hint::choose_function:
      return " (name the function that plays the credits with --function)";
    case Hint::give_sprite:
      return " (give one with --sprite " + std::to_string(number) + "=FILE.png)";
    case Hint::give_sound:
      return " (give one with --sound " + std::to_string(number) + "=FILE)";
    case Hint::cap_frames:
      return " (give --max-frames N to render the first N frames anyway)";
    case Hint::install_font:
      return " (install fonts-terminus-otb)";
  }
  return "";
}

[[noreturn]] void usage_error(const std::string &message) {
  std::fprintf(stderr, "rollwick-preview: %s (see --help)\n", safe(message).c_str());
  std::exit(2);
}

// An output the command line names that would harm what is there: exit 2, nothing written.
[[noreturn]] void refuse(const std::string &message) {
  std::fprintf(stderr, "rollwick-preview: %s\n", safe(message).c_str());
  std::exit(2);
}

[[noreturn]] void input_error(const std::string &message) {
  std::fprintf(stderr, "rollwick-preview: %s\n", safe(message).c_str());
  std::exit(1);
}

void warning(const std::string &message) {
  std::fprintf(stderr, "rollwick-preview: warning: %s\n", safe(message).c_str());
}

int64_t whole_number(const std::string &text, const std::string &option, int64_t low, int64_t high) {
  char *end = nullptr;
  const long long value = std::strtoll(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || value < low || value > high) {
    usage_error(option + " takes a whole number from " + std::to_string(low) + " to " + std::to_string(high) +
                ", not '" + printable(text) + "'");
  }
  return value;
}

std::pair<int, std::string> numbered(const std::string &text, const std::string &option) {
  const size_t equals = text.find('=');
  if (equals == std::string::npos || equals == 0) usage_error(option + " takes N=FILE, not '" + printable(text) + "'");
  return {static_cast<int>(whole_number(text.substr(0, equals), option, 0, 1000000)), text.substr(equals + 1)};
}

std::string lower(std::string text) {
  for (char &c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool ends_with(const std::string &text, const std::string &end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}


// FILE[:SIZE] split; SIZE from 1 to 1000 pixels.
std::pair<std::string, int> font_file_and_size(const std::string &argument, int number) {
  std::string file = argument;
  int size = 12;
  const size_t colon = argument.rfind(':');
  if (colon != std::string::npos && colon + 1 < argument.size() &&
      argument.find_first_not_of("0123456789", colon + 1) == std::string::npos) {
    file = argument.substr(0, colon);
    size = static_cast<int>(whole_number(argument.substr(colon + 1), "--font " + std::to_string(number) + "=FILE:SIZE",
                                         1, 1000));
  }
  return {file, size};
}

void check_combinations(const Options &options);

// "1:35", "95" or "95.5" seconds.
double duration_of(const std::string &text) {
  unsigned minutes = 0;
  double seconds = -1;
  int used = 0;
  if (std::sscanf(text.c_str(), "%u:%lf%n", &minutes, &seconds, &used) == 2 && used == static_cast<int>(text.size()) &&
      seconds >= 0 && seconds < 60) {
    return minutes * 60.0 + seconds;
  }
  if (std::sscanf(text.c_str(), "%lf%n", &seconds, &used) == 1 && used == static_cast<int>(text.size()) && seconds > 0 &&
      seconds < 360000) {
    return seconds;
  }
  usage_error("--duration " + printable(text) + ": give minutes and seconds (1:35) or seconds (95)");
  return 0;
}

[[noreturn]] void print_and_exit(const char *text) {
  std::fputs(text, stdout);
  std::exit(std::fflush(stdout) == 0 ? 0 : 1);
}

// --screen WxH.
void screen_size(const std::string &size, Options &options) {
  const size_t x = size.find('x');
  if (x == std::string::npos) usage_error("--screen takes WxH, such as 320x200, not '" + printable(size) + "'");
  options.width = static_cast<int>(whole_number(size.substr(0, x), "--screen width", 1, MAX_SCREEN_SIDE));
  options.height = static_cast<int>(whole_number(size.substr(x + 1), "--screen height", 1, MAX_SCREEN_SIDE));
  options.screen_given = true;
}

Options parse_options(int argc, char **argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) usage_error(argument + " needs a value");
      return argv[++i];
    };
    if (argument == "-h" || argument == "--help") {
      print_and_exit(usage_text);
    } else if (argument == "--version") {
      print_and_exit(version_text);
    } else if (argument == "-o" || argument == "--output") {
      options.outputs.push_back(value());
    } else if (argument == "--frames") {
      options.frames_directory = value();
    } else if (argument == "--frame") {
      options.single_frame = whole_number(value(), argument, 0, INT64_MAX / 2);
    } else if (argument == "--sheet") {
      options.sheet = value();
    } else if (argument == "--sheet-frames") {
      options.sheet_frames = static_cast<int>(whole_number(value(), argument, 1, 100));
    } else if (argument == "--sheet-scale") {
      options.sheet_scale = static_cast<int>(whole_number(value(), argument, 1, 16));
    } else if (argument == "--sheet-columns") {
      options.sheet_columns = static_cast<int>(whole_number(value(), argument, 1, 32));
    } else if (argument == "--emit-ags") {
      options.emit = true;
    } else if (argument == "--screen") {
      screen_size(value(), options);
    } else if (argument == "--depth") {
      options.depth = static_cast<int>(whole_number(value(), argument, 8, 32));
      if (options.depth != 8 && options.depth != 16 && options.depth != 32) usage_error("--depth takes 8, 16 or 32");
      options.depth_given = true;
    } else if (argument == "--fps") {
      options.fps = static_cast<int>(whole_number(value(), argument, 1, 1000));
      options.fps_given = true;
    } else if (argument == "--font") {
      options.fonts.push_back(numbered(value(), argument));
      font_file_and_size(options.fonts.back().second, options.fonts.back().first);  // the size is checked here
    } else if (argument == "--game") {
      options.game_directory = value();
    } else if (argument == "--antialias") {
      options.antialias = true;
    } else if (argument == "--sprite") {
      options.sprites.push_back(numbered(value(), argument));
    } else if (argument == "--scale") {
      options.scale = static_cast<int>(whole_number(value(), argument, 1, 16));
    } else if (argument == "--lossless") {
      options.lossless = true;
    } else if (argument == "--sound") {
      options.sounds.push_back(numbered(value(), argument));
    } else if (argument == "--music") {
      options.music = value();
    } else if (argument == "--background") {
      options.background = value();
    } else if (argument == "--duration") {
      options.duration = duration_of(value());
    } else if (argument == "--fit-to") {
      options.fit_to = value();
    } else if (argument == "--room") {
      options.room = static_cast<int>(whole_number(value(), argument, 0, 99999));
    } else if (argument == "--no-room") {
      options.no_room = true;
    } else if (argument == "--function") {
      options.function = value();
    } else if (argument == "--max-frames") {
      options.max_frames = whole_number(value(), argument, 1, INT64_MAX / 2);
    } else if (argument == "--strict") {
      options.strict = true;
    } else if (argument == "--plugin") {
      options.plugin = value();
    } else if (argument == "-q" || argument == "--quiet") {
      options.quiet = true;
    } else if (argument.size() > 1 && argument[0] == '-') {
      usage_error("unknown option " + printable(argument));
    } else if (options.script.empty()) {
      options.script = argument;
    } else {
      usage_error("one script at a time ('" + printable(options.script) + "' and '" + printable(argument) + "')");
    }
  }
  if (options.script.empty() && options.game_directory.empty()) {
    usage_error("no credits script given (or --game DIR to play the game's own scripts)");
  }
  if ((options.room >= 0 || options.no_room) && options.game_directory.empty()) {
    usage_error("--room and --no-room choose a room of the game: give --game DIR");
  }
  if (options.room >= 0 && options.no_room) usage_error("--room N and --no-room: give one");
  if ((options.duration >= 0 || !options.fit_to.empty()) && !is_sheet_file(options.script)) {
    usage_error("--duration and --fit-to fit a sheet's roll: give a .csv or .md sheet");
  }
  if (options.duration >= 0 && !options.fit_to.empty()) usage_error("--duration and --fit-to: give one");
  check_combinations(options);
  return options;
}

// Outputs and options that go together: each output's name says its format,
// and the options for one kind of output come with it.
void check_combinations(const Options &options) {
  bool png = false;
  bool video = false;
  bool mkv = false;
  std::set<std::string> seen;
  for (const std::string &output : options.outputs) {
    if (!seen.insert(output).second) usage_error("-o " + printable(output) + " is given twice");
    const std::string name = lower(output);
    if (ends_with(name, ".png")) {
      if (options.single_frame < 0) usage_error("-o " + printable(output) + ": a PNG is one frame: give --frame N");
      if (png) usage_error("--frame writes one PNG: give one -o FILE.png");
      png = true;
    } else if (is_video_file(output)) {
      video = true;
      mkv = mkv || ends_with(name, ".mkv");
    } else if (!ends_with(name, ".gif")) {
      usage_error("-o " + printable(output) +
                  ": the name says the format: .gif, .mp4, .webm or .mkv (or .png with --frame N)");
    }
  }
  if (options.single_frame >= 0 && !png) usage_error("--frame writes one PNG: give -o FILE.png");
  if (options.lossless && !mkv) usage_error("--lossless writes a .mkv (lossless RGB H.264): give -o FILE.mkv");
  if (!video && (options.scale > 0 || !options.sounds.empty() || !options.music.empty())) {
    usage_error("--scale, --sound and --music are for a video: give -o FILE.mp4, .webm or .mkv");
  }
  if (!options.sheet.empty() && !ends_with(lower(options.sheet), ".png")) {
    usage_error("--sheet " + printable(options.sheet) + ": a contact sheet is a .png");
  }
}

// Every file the run reads that a name on the command line could also give as an output.
std::vector<std::string> inputs_of(const Options &options, const PlayFlow &flow) {
  std::vector<std::string> inputs;
  if (options.script != "-") inputs.push_back(options.script);
  for (const std::string &file : {options.background, options.music, options.plugin}) inputs.push_back(file);
  for (const auto &font : options.fonts) inputs.push_back(font_file_and_size(font.second, font.first).first);
  for (const auto &given : {options.sprites, options.sounds}) {
    for (const auto &numbered_file : given) inputs.push_back(numbered_file.second);
  }
  if (flow.has_game()) {
    const std::vector<std::string> files = files_read(flow.game());
    inputs.insert(inputs.end(), files.begin(), files.end());
    if (flow.room_number() >= 0) inputs.push_back(room_file(flow.game(), flow.room_number(), ".crm"));
    inputs.push_back(flow.request().script_path);
  }
  return inputs;
}

// Before anything is written: every output can be written where it is
// named, no two outputs share a place, and no output is a file the run reads.
// A frames folder that holds anything but an earlier render's frames is a
// command-line error, and stays as it is.
void check_outputs(const Options &options, const PlayFlow &flow) {
  std::vector<std::string> files = options.outputs;
  if (!options.sheet.empty()) files.push_back(options.sheet);
  for (const std::string &output : files) {
    const std::string problem = rollwick_host::output_problem(output);
    if (!problem.empty()) input_error(problem);
  }
  const std::string frames =
      options.frames_directory.empty() ? "" : rollwick_host::frames_folder_name(options.frames_directory);
  if (!frames.empty()) {
    const std::string problem = rollwick_host::frames_folder_problem(frames);
    if (!problem.empty()) refuse("--frames " + problem);
    const std::string parent = rollwick_host::folder_problem(frames);
    if (!parent.empty()) input_error(parent);
  }
  std::vector<std::string> all = files;
  if (!frames.empty()) all.push_back(frames);
  std::map<std::string, std::string> places;  // where, and the name given for it
  for (const std::string &output : all) {
    const auto named = places.emplace(rollwick_host::place_of(output), output);
    if (!named.second) {
      refuse(printable(output) + " and " + printable(named.first->second) + " are one file: each output needs a "
                  "name of its own");
    }
  }
  const std::vector<std::string> inputs = inputs_of(options, flow);
  for (const std::string &output : files) {
    for (const std::string &input : inputs) {
      if (!input.empty() && rollwick_host::same_existing_file(output, input)) {
        refuse("the output " + printable(output) + " is " + (input == output ? "" : printable(input) + ", ") +
                    "a file this run reads; give the output another name");
      }
    }
  }
}

std::unique_ptr<rollwick_host::Font> load_font(const std::pair<int, std::string> &font, bool antialias, bool utf8) {
  const auto file_and_size = font_file_and_size(font.second, font.first);
  const std::string problem = rollwick_host::input_problem(file_and_size.first);
  if (!problem.empty()) input_error("--font " + std::to_string(font.first) + ": " + problem);
  std::string error;
  rollwick_host::FontStyle style;
  style.utf8 = utf8;
  std::unique_ptr<rollwick_host::Font> loaded =
      ends_with(lower(file_and_size.first), ".wfn")
          ? rollwick_host::load_wfn_font(file_and_size.first, error, style)
          : rollwick_host::load_freetype_font(file_and_size.first, file_and_size.second, antialias, error, style);
  if (loaded == nullptr) input_error("--font " + std::to_string(font.first) + ": " + error);
  return loaded;
}

// The picture under the credits, at the screen's size (nearest pixels).
rollwick_host::Canvas load_background(const Options &options, const PlaySettings &settings,
                                      const PreviewEngine &engine, bool say) {
  rollwick_host::Sprite picture;
  std::string error;
  if (!rollwick_host::read_png_sprite(options.background, picture, error)) input_error("--background: " + error);
  if (say && (picture.width != settings.width || picture.height != settings.height)) {
    warning("--background " + options.background + " is " + std::to_string(picture.width) + "x" +
            std::to_string(picture.height) + ", the screen " + std::to_string(settings.width) + "x" +
            std::to_string(settings.height) + ": scaled to fit");
  }
  const rollwick_host::Sprite shown = rollwick_host::sprite_for_depth(picture, settings.depth, engine.palette);
  rollwick_host::Canvas canvas(settings.width, settings.height);
  for (int y = 0; y < canvas.height; ++y) {
    for (int x = 0; x < canvas.width; ++x) {
      const int from_x = static_cast<int>(static_cast<int64_t>(x) * shown.width / canvas.width);
      const int from_y = static_cast<int>(static_cast<int64_t>(y) * shown.height / canvas.height);
      const uint32_t argb = shown.argb[static_cast<size_t>(from_y) * shown.width + from_x];
      canvas.put(x, y, (argb >> 24) == 0 ? 0 : argb & 0xFFFFFF);
    }
  }
  return canvas;
}

std::string read_text_file(const std::string &path) {
  if (path == "-") {
    std::string text(MAX_SCRIPT_BYTES + 1, '\0');
    std::cin.read(&text[0], static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<size_t>(std::cin.gcount()));
    if (text.size() > MAX_SCRIPT_BYTES) {
      input_error("standard input holds more than a script may (" + std::to_string(MAX_SCRIPT_BYTES >> 20) +
                  " MiB at most)");
    }
    return text;
  }
  std::vector<uint8_t> bytes;
  std::string error;
  if (!read_file_limited(path, MAX_SCRIPT_BYTES, bytes, error)) input_error(error);
  return std::string(bytes.begin(), bytes.end());
}

// What the command line adds to each stage: its fonts, sprites and picture under the credits.
void furnish(Stage &stage, const Options &options, const PlaySettings &settings, bool first) {
  PreviewEngine &engine = *stage.engine;
  std::string error;
  for (const auto &font : options.fonts) {
    engine.set_font(font.first, load_font(font, settings.antialias, settings.utf8));
    stage.problems.fonts.erase(font.first);
  }
  for (const auto &sprite : options.sprites) {
    rollwick_host::Sprite image;
    const std::string problem = rollwick_host::input_problem(sprite.second);
    if (!problem.empty()) input_error("--sprite " + std::to_string(sprite.first) + ": " + problem);
    if (!rollwick_host::read_png_sprite(sprite.second, image, error)) {
      input_error("--sprite " + std::to_string(sprite.first) + ": " + error);
    }
    if (settings.depth == 16) {
      // A 16-bit game keeps its magenta transparent.
      for (uint32_t &pixel : image.argb) {
        if ((pixel & 0xFFFFFF) == 0xFF00FF) pixel = 0;
      }
    }
    engine.set_sprite(sprite.first, image);
    stage.problems.sprites.erase(sprite.first);
  }
  if (!options.background.empty()) {
    stage.background = load_background(options, settings, engine, first);
    stage.has_background = true;
  }
}

// A message from the play as the terminal shows it; notes wait for the summary.
void print_message(const PlayMessage &message, const std::string &game_folder) {
  if (message.kind == MessageKind::note) return;
  const std::string text = message.text + hint_for(message.hint, message.hint_number);
  std::string line;
  if (message.kind == MessageKind::error && message.line > 0) {
    line = message.file + ":" + std::to_string(message.line) + ":" + std::to_string(message.column) + ": " + text;
  } else if (message.kind == MessageKind::warning && message.line > 0) {
    line = message.file + ":" + std::to_string(message.line) + ": warning: " + text;
  } else if (message.kind == MessageKind::warning) {
    line = "rollwick-preview: warning: " + text;
  } else {
    // A problem of the game's folder itself is the option's; one inside it names its file.
    const bool folder = !game_folder.empty() && text.rfind(game_folder, 0) == 0;
    line = "rollwick-preview: " + std::string(folder ? "--game " : "") + text;
  }
  std::fprintf(stderr, "%s\n", safe(line).c_str());
}

// A bar on a terminal for renders of more than a second.
class Progress {
 public:
  Progress(int64_t total, bool quiet)
      : total_(std::max<int64_t>(total, 1)), start_(std::chrono::steady_clock::now()), terminal_(!quiet && isatty(2) != 0) {}
  void update(int64_t frames) {
    if (!terminal_ || frames % 25 != 0) return;
    const double elapsed = seconds();
    if (elapsed < 1.0) return;
    shown_ = true;
    const int width = 30;
    const int64_t done = std::min(frames, total_);
    const int filled = static_cast<int>(width * done / total_);
    const double left = elapsed * static_cast<double>(total_ - done) / static_cast<double>(std::max<int64_t>(done, 1));
    std::fprintf(stderr, "\r[%s%s] %lld/%lld frames, %3d%%, %.0f s left ", std::string(filled, '#').c_str(),
                 std::string(width - filled, '.').c_str(), static_cast<long long>(done),
                 static_cast<long long>(total_), static_cast<int>(100 * done / total_), left);
    std::fflush(stderr);
  }
  void done() {
    if (shown_) std::fprintf(stderr, "\n");
  }
  double seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  }

 private:
  int64_t total_;
  std::chrono::steady_clock::time_point start_;
  bool terminal_;
  bool shown_ = false;
};

// Standard output must take what was printed.
int checked_exit(int status) {
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fprintf(stderr, "rollwick-preview: cannot write to standard output: %s\n", std::strerror(errno));
    return 1;
  }
  return status;
}

// After a render: the files are written whatever standard output took, so a
// summary it could not take is a warning, not a failure.
int summary_exit(int status) {
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fprintf(stderr, "rollwick-preview: warning: the summary could not be printed (standard output: %s); the "
                         "outputs are written\n", std::strerror(errno));
  }
  return status;
}

// The sounds a video mixes in, by number: the game's clips and those given,
// decoded no longer than the video lasts.
std::map<int, AudioClip> decode_sounds(const PlayFlow &flow, double seconds) {
  std::map<int, AudioClip> sounds;
  std::string error;
  for (const auto &file : flow.sound_files()) {
    if (!decode_audio_file(file.second, sounds[file.first], error, seconds)) {
      input_error("sound " + std::to_string(file.first) + ": " + error);
    }
  }
  return sounds;
}

// The music under a video: the track given, or the clips the script starts.
AudioClip decode_music(const PlayFlow &flow, const Options &options, double seconds, size_t &warnings) {
  const RunResult &planned = flow.result();
  const GameProject &game = flow.game();
  AudioClip music;
  std::string error;
  if (!options.music.empty()) {
    const std::string problem = rollwick_host::input_problem(options.music);
    if (!problem.empty()) input_error("--music: " + problem);
    if (!decode_audio_file(options.music, music, error, seconds)) input_error("--music: " + error);
    if (!planned.music.empty()) warning("--music plays instead of the music the script starts");
    return music;
  }
  const auto silent = [&](int line, const std::string &message) {
    std::fprintf(stderr, "%s\n", safe(flow.request().script_name + ":" + std::to_string(line) + ": warning: " +
                                      message + "; the video is silent there").c_str());
    warnings += 1;
  };
  std::vector<AudioClip> decoded(planned.music.size());
  std::vector<std::pair<int64_t, const AudioClip *>> starts;
  for (size_t i = 0; i < planned.music.size(); ++i) {
    const MusicStart &start = planned.music[i];
    std::string file;
    if (start.number >= 0) {
      const auto found = game.music_files.find(start.number);
      if (found != game.music_files.end()) file = found->second;
    } else {
      const auto found = game.clips.find(start.clip);
      if (found != game.clips.end() && found->second.found) file = found->second.file;
      if (found != game.clips.end() && !found->second.found) {
        silent(start.line, start.clip + ".Play: the clip has no file (looked for " + found->second.looked + ")");
        continue;
      }
    }
    if (file.empty()) {
      silent(start.line, start.number >= 0 ? "PlayMusic(" + std::to_string(start.number) + "): the game has no clip aMusic" +
                                                 std::to_string(start.number)
                                           : start.clip + ".Play: the game has no such clip");
      continue;
    }
    if (!decode_audio_file(file, decoded[i], error, seconds)) input_error(start.clip + ": " + error);
    starts.push_back({start.frame, &decoded[i]});
  }
  return music_track(starts, planned.speeds.front().second);
}

// The outputs named on the command line, ready for the second play.
std::vector<std::unique_ptr<OutputSink>> make_outputs(const Options &options, const PlayFlow &flow,
                                                      const std::map<int, AudioClip> &sounds, const AudioClip &music) {
  const PlaySettings &settings = flow.settings();
  std::vector<std::unique_ptr<OutputSink>> outputs;
  for (const std::string &output : options.outputs) {
    if (options.single_frame >= 0 && ends_with(lower(output), ".png")) {
      outputs.push_back(make_single_frame_output(output, options.single_frame));
    } else if (is_video_file(output)) {
      VideoSettings video;
      video.width = settings.width;
      video.height = settings.height;
      video.fps = flow.result().speeds.front().second;
      // A lossless master keeps the game's pixels one to one unless asked.
      const bool master = ends_with(lower(output), ".mkv");
      video.scale = options.scale > 0 ? options.scale : (master ? 1 : default_video_scale(settings.height));
      video.sounds_played = &flow.stage().engine->sound_log;
      outputs.push_back(make_video_output(output, video, sounds, music));
    } else {
      outputs.push_back(make_gif_output(output, settings.width, settings.height, flow.result().speeds));
    }
  }
  if (!options.frames_directory.empty()) outputs.push_back(make_png_frames_output(options.frames_directory));
  if (!options.sheet.empty()) {
    outputs.push_back(make_contact_sheet_output(options.sheet, options.sheet_frames, flow.stage().engine->default_font.get(),
                                                options.sheet_scale, options.sheet_columns));
  }
  return outputs;
}

// What the render did, on standard output.
void print_summary(const PlayFlow &flow, const Options &options, const Progress &progress, size_t warnings, const std::string &default_output,
                   const std::vector<const OutputSink *> &finished) {
  const RunResult &planned = flow.result();
  const int64_t frames = flow.frames_played_again();
  const double seconds = seconds_of(frames, planned.speeds);
  std::printf("%lld frames (%.2f s at %d frames a second%s) rendered in %.2f s, %.0f a second%s\n",
              static_cast<long long>(frames), seconds, planned.speeds.front().second,
              planned.speeds.size() > 1 ? " at first" : "", progress.seconds(),
              frames / std::max(progress.seconds(), 1e-6),
              warnings > 0 ? (", " + std::to_string(warnings) + " warning" + (warnings == 1 ? "" : "s")).c_str() : "");
  if (flow.request().script_path != options.script) {
    std::printf("played %s from %s\n", flow.script().entry.empty() ? "the script" : flow.script().entry.c_str(),
                safe(flow.request().script_path).c_str());
  }
  if (!options.background.empty()) {
    std::printf("under the credits: %s\n", safe(options.background).c_str());
  } else if (flow.room_number() >= 0) {
    const RoomView &room = flow.room_view();
    const Camera camera = camera_on(room, flow.settings().width, flow.settings().height, false, 0, 0);
    std::printf("under the credits: room %d (%dx%d)", flow.room_number(), room.width, room.height);
    if (room.width > camera.width || room.height > camera.height) std::printf(", seen from (%d, %d)", camera.x, camera.y);
    std::printf("\n");
  } else if (flow.has_game()) {
    std::printf("under the credits: black (no room)\n");
  }
  if (!default_output.empty()) std::printf("wrote %s (name it with -o)\n", default_output.c_str());
  for (const OutputSink *output : finished) {
    const std::string line = output->summary();
    if (!line.empty()) std::printf("%s\n", safe(line).c_str());
  }
  if (!planned.not_previewed.empty()) {
    std::printf("not previewed (in the game they leave the credits' picture as it is):");
    size_t n = 0;
    for (const auto &call : planned.not_previewed) {
      std::printf("%s %s (line %d)", n++ ? "," : "", call.first.c_str(), call.second);
    }
    std::printf("\n");
  }
  const PreviewEngine &engine = *flow.stage().engine;
  std::printf("debug console: %zu line%s\n", engine.console_log.size(), engine.console_log.size() == 1 ? "" : "s");
  for (const auto &line : engine.console_log) {
    std::printf("  frame %lld: %s\n", static_cast<long long>(line.first), line.second.c_str());
  }
  std::printf("sounds played: %zu\n", engine.sound_log.size());
  std::map<int, std::vector<int64_t>> by_sound;
  for (const auto &sound : engine.sound_log) by_sound[sound.second].push_back(sound.first);
  for (const auto &sound : by_sound) {
    std::printf("  sound %d at frame%s", sound.first, sound.second.size() == 1 ? "" : "s");
    for (size_t i = 0; i < sound.second.size(); ++i) {
      std::printf("%s %lld", i ? "," : "", static_cast<long long>(sound.second[i]));
    }
    std::printf("\n");
  }
}

// With no output named, SCRIPT.gif (credits.gif for standard input): its name.
std::string add_default_output(Options &options) {
  if (!options.outputs.empty() || !options.frames_directory.empty() || !options.sheet.empty()) return "";
  // The game's own scripts: in the folder the command runs in, not the game's.
  std::string name = options.script == "-" || options.script.empty() ? "credits" : options.script;
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos && name.find('/', dot) == std::string::npos) name.resize(dot);
  name += ".gif";
  options.outputs.push_back(name);
  return name;
}

// Finishes every output; false when one could not be written (said).
bool finish_outputs(std::vector<std::unique_ptr<OutputSink>> &outputs, int64_t frames,
                    std::vector<const OutputSink *> &finished) {
  bool written = true;
  std::string error;
  for (auto &output : outputs) {
    if (output->finish(frames, error)) {
      finished.push_back(output.get());
    } else {
      std::fprintf(stderr, "rollwick-preview: %s\n", safe(error).c_str());
      written = false;
    }
  }
  return written;
}

PlayRequest request_for(const Options &options, const std::string &standard_input) {
  PlayRequest request;
  request.game_folder = options.game_directory;
  request.script_path = options.script;
  request.script_name = options.script == "-" ? "(standard input)" : options.script;
  if (options.script == "-") {
    request.script_text = &standard_input;
    request.guess_game_script = true;
  }
  request.entry = options.function;
  request.room = options.room;
  request.sheet_speed = options.sheet_speed;
  request.sheet_hold = options.sheet_hold;
  request.no_room = options.no_room;
  request.max_frames = options.max_frames;
  if (options.screen_given) {
    request.width = options.width;
    request.height = options.height;
  }
  if (options.depth_given) request.depth = options.depth;
  if (options.fps_given) request.fps = options.fps;
  request.antialias = options.antialias;
  request.stop_at_warning = options.strict;
  bool video = false;
  for (const std::string &output : options.outputs) video = video || is_video_file(output);
  if (video) {
    for (const auto &sound : options.sounds) request.sounds[sound.first] = sound.second;
  }
  request.sounds_heard = video;
  const std::string plugin = options.plugin.empty() ? default_plugin_path() : options.plugin;
  request.start_plugin = [plugin](PluginSession &session, PreviewEngine &engine, std::string &error) {
    return session.load_fresh(plugin, engine, error);
  };
  request.furnish = [&options](Stage &stage, const PlaySettings &settings, bool first) {
    furnish(stage, options, settings, first);
  };
  const std::string game_folder = options.game_directory;
  request.on_message = [game_folder](const PlayMessage &message) { print_message(message, game_folder); };
  return request;
}

// The seconds of --duration, or of the music --fit-to names (a file, or a
// clip of the game).
double seconds_to_fit(const Options &options) {
  if (options.fit_to.empty()) return options.duration;
  std::string file = options.fit_to;
  GameProject game;
  std::string error;
  if (!options.game_directory.empty() && read_game_project(options.game_directory, game, error)) {
    const auto clip = game.clips.find(options.fit_to);
    if (clip != game.clips.end()) {
      if (!clip->second.found) input_error("--fit-to " + options.fit_to + ": the clip has no file (looked for " + clip->second.looked + ")");
      file = clip->second.file;
    }
  }
  const std::string problem = rollwick_host::input_problem(file);
  if (!problem.empty()) input_error("--fit-to: " + problem);
  AudioClip music;
  if (!decode_audio_file(file, music, error, 36000)) input_error("--fit-to: " + error);
  if (music.frames() == 0) input_error("--fit-to: " + file + " holds no sound");
  return static_cast<double>(music.frames()) / AUDIO_RATE;
}

// Chooses the sheet's roll speed and hold for --duration or --fit-to and
// puts them into `options`; false when no speed fits (said). `fitted` says
// what was chosen.
bool fit_roll(Options &options, const std::string &standard_input, std::string &fitted) {
  const double seconds = seconds_to_fit(options);
  SheetFit fit;
  std::string why;
  if (!fit_sheet_to(request_for(options, standard_input), seconds, fit, why)) {
    if (why.empty()) return true;  // the play itself says what is wrong
    std::fprintf(stderr, "rollwick-preview: the credits cannot be fitted to %s: %s\n",
                 fit_target_text(fit, seconds).c_str(), safe(why).c_str());
    return false;
  }
  options.sheet_speed = fit.speed;
  options.sheet_hold = fit.hold;
  fitted = fitted_text(fit, seconds);
  return true;
}

}  // namespace

int main(int argc, char **argv) {
  Options options = parse_options(argc, argv);
  const std::string standard_input = options.script == "-" ? read_text_file("-") : "";
  std::string fitted;
  if ((options.duration >= 0 || !options.fit_to.empty()) && !fit_roll(options, standard_input, fitted)) return 1;
  PlayFlow flow(request_for(options, standard_input));
  const auto stopped = [&flow]() {
    if (flow.stopped_at_warning()) std::fprintf(stderr, "rollwick-preview: stopped at a warning (--strict)\n");
    return 1;
  };
  if (!flow.open()) return stopped();
  if (options.emit) {
    std::fputs(emit_ags(flow.script(), flow.is_sheet() ? options.function : "", fitted).c_str(), stdout);
    return checked_exit(0);
  }

  const std::string default_output = add_default_output(options);
  check_outputs(options, flow);
  const bool video = flow.request().sounds_heard;
  if (video) {
    for (const auto &file : flow.sound_files()) {
      const std::string problem = rollwick_host::input_problem(file.second);
      if (!problem.empty()) input_error("sound " + std::to_string(file.first) + ": " + problem);
    }
  }

  // The first play: every warning and error, and the length.
  if (!flow.play()) return stopped();
  const RunResult &planned = flow.result();
  size_t warnings = static_cast<size_t>(flow.warnings());

  std::map<int, AudioClip> sounds;
  AudioClip music;
  if (video) {
    const double video_seconds = seconds_of(planned.frames, {{0, planned.speeds.front().second}}) + 1;
    sounds = decode_sounds(flow, video_seconds);
    music = decode_music(flow, options, video_seconds, warnings);
    if (planned.speeds.size() > 1) {
      warning("the game's speed changes at frame " + std::to_string(planned.speeds[1].first) +
              " (SetGameSpeed); a video keeps " + std::to_string(planned.speeds.front().second) +
              " frames a second throughout, the GIF follows the change");
    }
  }

  // The second play, into the outputs.
  rollwick_host::remove_partial_files_on_signals();
  std::vector<std::unique_ptr<OutputSink>> outputs;
  std::vector<FrameSink *> sinks;
  Progress progress(planned.frames, options.quiet);
  const auto play_into = [&]() {
    if (!flow.stage_again()) return false;
    outputs = make_outputs(options, flow, sounds, music);
    for (auto &output : outputs) {
      const std::string problem = output->problem();
      if (!problem.empty()) {
        std::fprintf(stderr, "rollwick-preview: %s\n", safe(problem).c_str());
        return false;  // the outputs remove their temporary files as they go
      }
      sinks.push_back(output.get());
    }
    return flow.play_again(sinks, [&progress](int64_t frames) { progress.update(frames); });
  };
  const bool played = play_into();
  progress.done();
  if (!played) return 1;

  std::vector<const OutputSink *> finished;
  const bool written = finish_outputs(outputs, flow.frames_played_again(), finished);
  if (planned.capped) {
    std::fprintf(stderr, "rollwick-preview: stopped at --max-frames %lld, before the credits ended\n",
                 static_cast<long long>(options.max_frames));
  }
  if (!options.quiet && !fitted.empty()) std::printf("%s\n", fitted.c_str());
  if (!options.quiet) print_summary(flow, options, progress, warnings, default_output, finished);
  return summary_exit(written ? 0 : 1);
}
