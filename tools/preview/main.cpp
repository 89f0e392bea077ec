// rollwick-preview: plays a credits script through the real plug-in library
// and renders every frame the way the engine would, without the game.
//
// Exit status: 0 done; 1 the script or its inputs are wrong (or a warning
// with --strict); 2 the command line is wrong.
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
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
#include "game_setup.h"
#include "lint.h"
#include "outputs.h"
#include "plugin_session.h"
#include "runner.h"
#include "video_output.h"

using namespace rollwick_preview;

namespace {

const char version_text[] = "rollwick-preview 2.0 (agsRollwick 2.0)\n";

const char usage_text[] =
    "usage: rollwick-preview SCRIPT [options]     (SCRIPT '-' reads standard input)\n"
    "\n"
    "Plays a credits script through the agsRollwick plug-in and renders it.\n"
    "\n"
    "output (default: -o SCRIPT.gif)\n"
    "  -o, --output FILE      FILE.gif: the animation at the game's speed; FILE.png with --frame;\n"
    "                         FILE.mp4 (H.264, AAC), FILE.webm (VP9, Opus) or FILE.mkv (FFV1 RGB, FLAC,\n"
    "                         lossless): a video with the sounds the credits play\n"
    "  --scale N              video: each pixel N x N (default: the least that makes it 720 high; .mkv 1)\n"
    "  --lossless             video: a lossless .mkv (FFV1 in RGB)\n"
    "  --sound N=FILE         video: the sound file that sound number N plays (wav, ogg, mp3)\n"
    "  --music FILE           video: a background track, cut and faded to the video's length\n"
    "  --frames DIR           every frame as DIR/frame-NNNNN.png\n"
    "  --frame N              only frame N (from 0), as the PNG named by -o\n"
    "  --sheet FILE.png       a contact sheet of evenly sampled, numbered frames\n"
    "  --sheet-frames N       frames on the contact sheet (default 12)\n"
    "  --sheet-scale N        shrink each sheet frame N times (default 1 for games up to 400 high)\n"
    "  --sheet-columns N      sheet frames to a row (default 4)\n"
    "  --emit-ags             print the script as AGS script code and stop\n"
    "game\n"
    "  --game DIR             the game's project folder (Game.agf): its resolution, colour depth and\n"
    "                         palette, its fonts as the game sets them up, its sprite file\n"
    "  --screen WxH           the game's resolution (default 320x200, or the game's)\n"
    "  --depth 8|16|32        the game's colour depth (default 32, or the game's)\n"
    "  --fps N                the game's speed in frames a second (default 40)\n"
    "  --font N=FILE[:SIZE]   font N from an AGS .wfn file, or a TrueType file at SIZE pixels (default 12)\n"
    "  --antialias            anti-aliased TrueType text (32-bit games; the game's setting with --game)\n"
    "  --sprite N=FILE.png    sprite slot N\n"
    "  --background FILE.png  the room the credits play over (scaled to the screen if it differs)\n"
    "run\n"
    "  --function NAME        the script function that plays the credits (default: the only one, or play_credits)\n"
    "  --max-frames N         stop after N frames (default: when the script ends, at most 100000)\n"
    "  --strict               stop with an error at the first warning\n"
    "  --plugin FILE          the plug-in library (default: the one next to this program)\n"
    "  -q, --quiet            no summary\n"
    "  --version              the version\n";

struct Options {
  std::string script;
  std::string output;
  std::string frames_directory;
  std::string sheet;
  int sheet_frames = 12;
  int sheet_scale = 0;
  int sheet_columns = 4;
  int64_t single_frame = -1;
  bool emit = false;
  int width = 320;
  int height = 200;
  bool screen_given = false;
  int depth = 32;
  bool depth_given = false;
  int fps = 40;
  std::vector<std::pair<int, std::string>> fonts;  // number, FILE[:SIZE]
  std::string game_directory;
  bool antialias = false;
  std::vector<std::pair<int, std::string>> sprites;
  std::string background;
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

[[noreturn]] void usage_error(const std::string &message) {
  std::fprintf(stderr, "rollwick-preview: %s (see --help)\n", message.c_str());
  std::exit(2);
}

[[noreturn]] void input_error(const std::string &message) {
  std::fprintf(stderr, "rollwick-preview: %s\n", message.c_str());
  std::exit(1);
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

Options parse_options(int argc, char **argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) usage_error(argument + " needs a value");
      return argv[++i];
    };
    if (argument == "-h" || argument == "--help") {
      std::fputs(usage_text, stdout);
      std::exit(0);
    } else if (argument == "--version") {
      std::fputs(version_text, stdout);
      std::exit(0);
    } else if (argument == "-o" || argument == "--output") {
      options.output = value();
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
      const std::string size = value();
      const size_t x = size.find('x');
      if (x == std::string::npos) usage_error("--screen takes WxH, such as 320x200, not '" + printable(size) + "'");
      options.width = static_cast<int>(whole_number(size.substr(0, x), "--screen width", 1, 8192));
      options.height = static_cast<int>(whole_number(size.substr(x + 1), "--screen height", 1, 8192));
      options.screen_given = true;
    } else if (argument == "--depth") {
      options.depth = static_cast<int>(whole_number(value(), argument, 8, 32));
      if (options.depth != 8 && options.depth != 16 && options.depth != 32) usage_error("--depth takes 8, 16 or 32");
      options.depth_given = true;
    } else if (argument == "--fps") {
      options.fps = static_cast<int>(whole_number(value(), argument, 1, 1000));
    } else if (argument == "--font") {
      options.fonts.push_back(numbered(value(), argument));
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
  if (options.script.empty()) usage_error("no credits script given");
  if (options.single_frame >= 0 && !ends_with(lower(options.output), ".png")) {
    usage_error("--frame writes one PNG: give -o FILE.png");
  }
  if (options.single_frame < 0 && !options.output.empty() && !ends_with(lower(options.output), ".gif") &&
      !is_video_file(options.output)) {
    usage_error("-o " + printable(options.output) +
                ": the name says the format: .gif, .mp4, .webm or .mkv (or .png with --frame N)");
  }
  const bool video = options.single_frame < 0 && is_video_file(options.output);
  if (options.lossless && !(video && ends_with(lower(options.output), ".mkv"))) {
    usage_error("--lossless writes a .mkv (FFV1 in RGB): give -o FILE.mkv");
  }
  if (!video && (options.scale > 0 || !options.sounds.empty() || !options.music.empty())) {
    usage_error("--scale, --sound and --music are for a video: give -o FILE.mp4, .webm or .mkv");
  }
  if (!options.sheet.empty() && !ends_with(lower(options.sheet), ".png")) {
    usage_error("--sheet " + printable(options.sheet) + ": a contact sheet is a .png");
  }
  return options;
}

// The folder a file will be written in must be there, and writable.
void check_writable_folder_of(const std::string &path) {
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  struct stat info {};
  if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
    input_error("cannot write " + path + ": there is no folder " + folder);
  }
  if (access(folder.c_str(), W_OK) != 0) input_error("cannot write " + path + ": the folder " + folder + " is not writable");
}

// `gif` is the animation's path, if one is written.
void check_outputs(const Options &options, const std::string &gif) {
  if (!gif.empty()) check_writable_folder_of(gif);
  if (options.single_frame >= 0 || is_video_file(options.output)) check_writable_folder_of(options.output);
  if (!options.sheet.empty()) check_writable_folder_of(options.sheet);
  if (!options.frames_directory.empty()) {
    struct stat info {};
    if (stat(options.frames_directory.c_str(), &info) == 0) {
      if (!S_ISDIR(info.st_mode)) input_error("--frames " + options.frames_directory + " is a file, not a folder");
    } else {
      std::string parent = options.frames_directory;
      while (!parent.empty() && parent.back() == '/') parent.pop_back();
      check_writable_folder_of(parent);
      if (mkdir(options.frames_directory.c_str(), 0755) != 0) input_error("cannot make the folder " + options.frames_directory);
    }
  }
}

// FILE[:SIZE]: a .wfn file, or anything FreeType reads at SIZE pixels.
std::unique_ptr<rollwick_host::Font> load_font(const std::string &argument, bool antialias, std::string &error) {
  std::string file = argument;
  int size = 12;
  const size_t colon = argument.rfind(':');
  if (colon != std::string::npos && colon + 1 < argument.size() &&
      argument.find_first_not_of("0123456789", colon + 1) == std::string::npos) {
    file = argument.substr(0, colon);
    size = std::max(1, std::atoi(argument.c_str() + colon + 1));
  }
  if (ends_with(lower(file), ".wfn")) return rollwick_host::load_wfn_font(file, error);
  return rollwick_host::load_freetype_font(file, size, antialias, error);
}

// The game's settings, where the command line does not give its own.
void apply_game_settings(Options &options, const GameProject &game) {
  if (!options.screen_given) {
    options.width = game.width;
    options.height = game.height;
  }
  if (!options.depth_given) options.depth = game.depth;
  // The engine anti-aliases TrueType text only in 32-bit games.
  if (game.antialias_fonts && options.depth == 32) options.antialias = true;
}

void set_up_fonts(const Options &options, PreviewEngine &engine) {
  const std::string default_file = rollwick_host::find_default_font_file();
  std::string error;
  rollwick_host::FontStyle default_style;
  default_style.height_by = rollwick_host::FontStyle::Height::real;
  if (!default_file.empty()) {
    engine.default_font = rollwick_host::load_freetype_font(default_file, 12, false, error, default_style);
  }
  if (engine.default_font == nullptr) {
    std::fprintf(stderr, "rollwick-preview: warning: no default font (install fonts-terminus-otb); "
                         "fonts not given draw nothing\n");
  }
  for (const auto &font : options.fonts) {
    auto loaded = load_font(font.second, options.antialias, error);
    if (loaded == nullptr) input_error("--font " + std::to_string(font.first) + ": " + error);
    engine.set_font(font.first, std::move(loaded));
  }
}

void set_up_sprites(const Options &options, PreviewEngine &engine) {
  for (const auto &sprite : options.sprites) {
    rollwick_host::Sprite image;
    std::string error;
    if (!rollwick_host::read_png_sprite(sprite.second, image, error)) {
      input_error("--sprite " + std::to_string(sprite.first) + ": " + error);
    }
    if (options.depth == 16) {
      // A 16-bit game keeps its magenta transparent.
      for (uint32_t &pixel : image.argb) {
        if ((pixel & 0xFFFFFF) == 0xFF00FF) pixel = 0;
      }
    }
    engine.set_sprite(sprite.first, image);
  }
}

// The room under the credits, at the screen's size (nearest pixels).
rollwick_host::Canvas load_background(const Options &options, const PreviewEngine &engine) {
  rollwick_host::Sprite picture;
  std::string error;
  if (!rollwick_host::read_png_sprite(options.background, picture, error)) input_error("--background: " + error);
  if (picture.width != options.width || picture.height != options.height) {
    std::fprintf(stderr, "rollwick-preview: warning: --background %s is %dx%d, the screen %dx%d: scaled to fit\n",
                 options.background.c_str(), picture.width, picture.height, options.width, options.height);
  }
  const rollwick_host::Sprite shown =
      rollwick_host::sprite_for_depth(picture, options.depth, engine.palette);
  rollwick_host::Canvas canvas(options.width, options.height);
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

std::string read_script(const std::string &path) {
  std::ostringstream text;
  if (path == "-") {
    text << std::cin.rdbuf();
    return text.str();
  }
  struct stat info {};
  if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
    input_error(path + " is a folder; give the credits script in it");
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) input_error("cannot read " + path);
  text << file.rdbuf();
  return text.str();
}

// A bar on a terminal for renders of more than a second.
class Progress {
 public:
  explicit Progress(int64_t expected) : expected_(expected), start_(std::chrono::steady_clock::now()) {}
  void update(int64_t frames) {
    if (!terminal_ || frames % 25 != 0) return;
    const double elapsed = seconds();
    if (elapsed < 1.0) return;
    shown_ = true;
    const double rate = frames / elapsed;
    if (expected_ > 0) {
      const int width = 30;
      const int filled = static_cast<int>(width * std::min<int64_t>(frames, expected_) / expected_);
      std::fprintf(stderr, "\r[%s%s] %lld/%lld frames, %.0f a second ", std::string(filled, '#').c_str(),
                   std::string(width - filled, '.').c_str(), static_cast<long long>(frames),
                   static_cast<long long>(expected_), rate);
    } else {
      std::fprintf(stderr, "\rrendering: %lld frames, %.0f a second ", static_cast<long long>(frames), rate);
    }
    std::fflush(stderr);
  }
  void done() {
    if (shown_) std::fprintf(stderr, "\n");
  }
  double seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  }

 private:
  int64_t expected_;
  std::chrono::steady_clock::time_point start_;
  bool terminal_ = isatty(2) != 0;
  bool shown_ = false;
};

struct StrictStop {};

}  // namespace

int main(int argc, char **argv) {
  Options options = parse_options(argc, argv);
  const std::string script_name = options.script == "-" ? "(standard input)" : options.script;
  GameProject game;
  const bool has_game = !options.game_directory.empty();
  if (has_game) {
    std::string game_error;
    if (!read_game_project(options.game_directory, game, game_error)) input_error(game_error);
    apply_game_settings(options, game);
  }
  const std::string source = read_script(options.script);

  PreviewEngine engine(options.width, options.height, options.depth);
  PluginSession session;
  std::string error;
  if (!session.load(options.plugin.empty() ? default_plugin_path() : options.plugin, engine, error)) input_error(error);

  Script script;
  try {
    script = parse_credits_script(script_name, source, session.functions());
  } catch (const ScriptError &bad) {
    std::fprintf(stderr, "%s\n", bad.what());
    return 1;
  }
  if (options.emit) {
    std::fputs(emit_ags(script).c_str(), stdout);
    return 0;
  }

  const bool video = options.single_frame < 0 && is_video_file(options.output);
  std::string gif;
  if (!video && options.single_frame < 0 &&
      (!options.output.empty() || (options.frames_directory.empty() && options.sheet.empty()))) {
    gif = options.output;
    if (gif.empty()) {
      gif = options.script == "-" ? "credits" : options.script;
      const size_t dot = gif.rfind('.');
      if (dot != std::string::npos && gif.find('/', dot) == std::string::npos) gif.resize(dot);
      gif += ".gif";
    }
  }
  check_outputs(options, gif);

  // The sounds a video mixes in: the game's clips, then those given.
  std::map<int, AudioClip> sounds;
  AudioClip music;
  if (video) {
    std::map<int, std::string> sound_files;
    if (has_game) sound_files = game.sound_files;
    for (const auto &sound : options.sounds) sound_files[sound.first] = sound.second;
    for (const auto &file : sound_files) {
      if (!decode_audio_file(file.second, sounds[file.first], error)) input_error("sound " + std::to_string(file.first) + ": " + error);
    }
    if (!options.music.empty() && !decode_audio_file(options.music, music, error)) input_error("--music: " + error);
  }

  if (has_game) {
    std::vector<std::string> game_warnings;
    set_up_game(game, options.antialias, engine, game_warnings);
    for (const std::string &warning : game_warnings) std::fprintf(stderr, "rollwick-preview: warning: %s\n", warning.c_str());
  }
  set_up_fonts(options, engine);
  set_up_sprites(options, engine);
  rollwick_host::Canvas background;
  if (!options.background.empty()) background = load_background(options, engine);

  LintSources sources;
  if (has_game) sources.sprite_file = game.sprite_file;
  sources.has_background = !options.background.empty();
  std::set<int> sound_numbers;
  for (const auto &sound : sounds) sound_numbers.insert(sound.first);
  if (video) sources.sounds = &sound_numbers;
  Linter linter(session.functions(), engine, sources);
  size_t warnings = 0;
  const auto print_warning = [&](int line, const std::string &message) {
    std::fprintf(stderr, "%s:%d: warning: %s\n", script_name.c_str(), line, message.c_str());
    warnings += 1;
    if (options.strict) throw StrictStop{};
  };

  remove_partial_files_on_signals();
  std::vector<std::unique_ptr<OutputSink>> outputs;
  if (options.single_frame >= 0) outputs.push_back(make_single_frame_output(options.output, options.single_frame));
  if (!gif.empty()) outputs.push_back(make_gif_output(gif, options.width, options.height, options.fps));
  if (video) {
    VideoSettings settings;
    settings.width = options.width;
    settings.height = options.height;
    settings.fps = options.fps;
    // A lossless master keeps the game's pixels one to one unless asked.
    const bool master = ends_with(lower(options.output), ".mkv");
    settings.scale = options.scale > 0 ? options.scale : (master ? 1 : default_video_scale(options.height));
    settings.sounds_played = &engine.sound_log;
    outputs.push_back(make_video_output(options.output, settings, std::move(sounds), std::move(music)));
  }
  if (!options.frames_directory.empty()) outputs.push_back(make_png_frames_output(options.frames_directory));
  if (!options.sheet.empty()) {
    outputs.push_back(make_contact_sheet_output(options.sheet, options.sheet_frames, engine.default_font.get(),
                                                options.sheet_scale, options.sheet_columns));
  }
  std::vector<FrameSink *> sinks;
  for (auto &output : outputs) {
    const std::string problem = output->problem();
    if (!problem.empty()) {
      std::fprintf(stderr, "rollwick-preview: %s\n", problem.c_str());
      return 1;  // the outputs remove their temporary files as they go
    }
    sinks.push_back(output.get());
  }

  RunOptions run_options;
  const bool capped_by_user = options.max_frames >= 0;
  if (capped_by_user) run_options.max_frames = options.max_frames;
  if (!options.background.empty()) run_options.background = &background;
  Progress progress(capped_by_user ? options.max_frames : 0);
  run_options.progress = [&progress](int64_t frames) { progress.update(frames); };
  run_options.entry = options.function;
  run_options.on_warning = print_warning;
  run_options.on_call = [&](const Call &call, int32_t result) {
    const size_t before = linter.warnings.size();
    linter.on_call(call, result);
    for (size_t i = before; i < linter.warnings.size(); ++i) print_warning(linter.warnings[i].line, linter.warnings[i].message);
  };
  RunResult result;
  try {
    result = run_script(script, session, engine, sinks, run_options);
  } catch (const ScriptError &bad) {
    progress.done();
    std::fprintf(stderr, "%s\n", bad.what());
    return 1;
  } catch (const StrictStop &) {
    progress.done();
    std::fprintf(stderr, "rollwick-preview: stopped at a warning (--strict)\n");
    return 1;
  }
  progress.done();
  if (result.frames == 0) {
    std::fprintf(stderr, "rollwick-preview: no frame was rendered: the script lets no frame pass (it needs Wait "
                         "or a loop that waits); nothing written\n");
    return 1;
  }
  if (result.capped && !capped_by_user) {
    std::fprintf(stderr, "rollwick-preview: warning: stopped after %lld frames; the script may never end "
                         "(raise --max-frames to see more)\n", static_cast<long long>(result.frames));
  }

  bool written = true;
  for (auto &output : outputs) {
    if (!output->finish(result.frames, error)) {
      std::fprintf(stderr, "rollwick-preview: %s\n", error.c_str());
      written = false;
    }
  }
  std::printf("%lld frames (%.2f s at %d frames a second) rendered in %.2f s, %.0f a second%s\n",
              static_cast<long long>(result.frames), static_cast<double>(result.frames) / options.fps, options.fps,
              progress.seconds(), result.frames / std::max(progress.seconds(), 1e-6),
              warnings > 0 ? (", " + std::to_string(warnings) + " warning" + (warnings == 1 ? "" : "s")).c_str() : "");
  if (!options.quiet) {
    for (const auto &output : outputs) {
      const std::string line = output->summary();
      if (!line.empty()) std::printf("%s\n", line.c_str());
    }
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
  return written ? 0 : 1;
}
