// The page's side of the previewer: the same core as the command line, with
// the plug-in linked in, run in the page's worker. The worker writes the
// game's folder into the in-memory file system under /games/NAME and the
// script under /work, then plays it here once; every frame is kept
// (deflated) so that the page can show any of them at the game's speed, and
// save a GIF, a PNG or a contact sheet through the command line's own
// outputs. While it plays, the page hears of its first picture and of how
// far it is.
//
// Every call returns at once; what went wrong comes back as messages (kind,
// file, line, text), never as a crash or an exit.
#include <emscripten/emscripten.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "credits_script.h"
#include "game_defaults.h"
#include "game_project.h"
#include "outputs.h"
#include "plugin_entry.h"
#include "play_flow.h"
#include "plugin_state.h"
#include "runner.h"

using namespace rollwick_preview;

namespace {

struct Message {
  std::string kind;  // "error", "warning" or "note"
  std::string file;
  int line = 0;
  std::string text;
  std::string hint;  // what the author can do, in the page's words; empty if nothing
};

// One play: its frames, what it said, and what the page shows with it.
struct Played {
  int width = DEFAULT_SCREEN_WIDTH;
  int height = DEFAULT_SCREEN_HEIGHT;
  int fps = DEFAULT_GAME_SPEED;
  std::vector<std::vector<uint8_t>> pictures;  // each different picture's 0xRRGGBB pixels, deflated
  std::vector<uint32_t> frames;                // each frame's picture
  std::vector<int64_t> waits_ended;
  std::vector<std::pair<int64_t, int>> speeds;
  std::vector<std::pair<int64_t, int>> sounds;  // frame, sound number
  std::map<int, std::string> sound_files;      // sound number: the game's clip file
  std::vector<Message> messages;
  bool capped = false;
  std::vector<OfferedFunction> functions;  // those the page offers to play
  bool functions_read = false;  // false when the script could not be read
  int64_t first_shown = -1;     // the first frame with something on it, if any
};

Played played;

std::vector<uint8_t> rgba;  // the frame last asked for, as the canvas takes it
std::string answer;         // the text last handed to the page

// The frame as RGBA bytes, as the canvas takes them.
const uint8_t *to_rgba(const rollwick_host::Canvas &canvas) {
  rgba.resize(canvas.pixels.size() * 4);
  for (size_t i = 0; i < canvas.pixels.size(); ++i) {
    const uint32_t pixel = canvas.pixels[i];
    rgba[i * 4] = static_cast<uint8_t>(pixel >> 16);
    rgba[i * 4 + 1] = static_cast<uint8_t>(pixel >> 8);
    rgba[i * 4 + 2] = static_cast<uint8_t>(pixel);
    rgba[i * 4 + 3] = 255;
  }
  return rgba.data();
}

// What the page hears while a play goes on: its first picture with something
// on it, as soon as it is drawn, and how many frames have played.
EM_JS(void, tell_first_picture, (const uint8_t *pixels, int width, int height, int index), {
  if (Module.onFirstPicture) Module.onFirstPicture(HEAPU8.slice(pixels, pixels + width * height * 4), width, height, index);
});
EM_JS(void, tell_progress, (int frames), {
  if (Module.onProgress) Module.onProgress(frames);
});

// How often the page hears how far a play is.
constexpr size_t PROGRESS_EVERY_FRAMES = 250;

class KeepFrames : public FrameSink {
 public:
  void frame(int64_t, const rollwick_host::Canvas &canvas) override {
    if (!played.pictures.empty() && canvas.pixels == last_) {
      played.frames.push_back(played.frames.back());  // a picture that stays (a wait, a pause) is kept once
    } else {
      keep(canvas);
    }
    if (played.frames.size() % PROGRESS_EVERY_FRAMES == 0) tell_progress(static_cast<int>(played.frames.size()));
  }
  void wait_ended(int64_t index) override { played.waits_ended.push_back(index); }

 private:
  // A new picture, kept deflated.
  void keep(const rollwick_host::Canvas &canvas) {
    last_ = canvas.pixels;
    if (played.first_shown < 0 &&
        std::any_of(canvas.pixels.begin(), canvas.pixels.end(), [&](uint32_t p) { return p != canvas.pixels[0]; })) {
      played.first_shown = static_cast<int64_t>(played.frames.size());
      tell_first_picture(to_rgba(canvas), canvas.width, canvas.height, static_cast<int>(played.first_shown));
    }
    const uLong size = static_cast<uLong>(canvas.pixels.size() * 4);
    scratch_.resize(compressBound(size));
    uLongf length = scratch_.size();
    compress2(scratch_.data(), &length, reinterpret_cast<const Bytef *>(canvas.pixels.data()), size, 1);
    // Kept at its packed size: a long play holds many thousands.
    played.pictures.emplace_back(scratch_.begin(), scratch_.begin() + static_cast<ptrdiff_t>(length));
    played.frames.push_back(static_cast<uint32_t>(played.pictures.size() - 1));
  }

  std::vector<uint8_t> scratch_;
  std::vector<uint32_t> last_;
};

bool unpack(size_t index, rollwick_host::Canvas &canvas) {
  if (index >= played.frames.size()) return false;
  canvas = rollwick_host::Canvas(played.width, played.height);
  uLongf length = static_cast<uLongf>(canvas.pixels.size() * 4);
  const std::vector<uint8_t> &packed = played.pictures[played.frames[index]];
  return uncompress(reinterpret_cast<Bytef *>(canvas.pixels.data()), &length, packed.data(), packed.size()) == Z_OK;
}

std::string json_text(const std::string &text) {
  std::string out = "\"";
  for (const unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

// What the author can do about a message, in the page's words.
std::string hint_for(Hint hint) {
  switch (hint) {
    case Hint::none:
    case Hint::cap_frames:  // the page shows the frames up to its limit
      break;
    case Hint::choose_function:
      return " (choose the function that plays the credits in the list above the script)";
    case Hint::give_sprite:
      return " (open the game's folder: its sprite file gives the sprites)";
    case Hint::give_sound:
      return " (open the game's folder: its audio clips give the sounds)";
    case Hint::install_font:  // the page carries its own
      break;
  }
  return "";
}

const char *const kind_names[] = {"error", "warning", "note"};

void play(const std::string &game_folder, const std::string &script_path, const std::string &entry, int64_t max_frames,
          double fit_seconds) {
  played = Played{};
  PlayRequest request;
  request.game_folder = game_folder;
  request.script_path = script_path;
  const size_t slash = script_path.rfind('/');
  request.script_name = slash == std::string::npos ? script_path : script_path.substr(slash + 1);
  request.entry = entry;
  request.max_frames = max_frames;
  request.offer_functions = true;
  request.sounds_heard = true;  // the page plays the sounds
  request.start_plugin = [](PluginSession &session, PreviewEngine &engine, std::string &error) {
    reset_plugin_state();  // the plug-in as the engine finds it in a new game
    PluginEntryPoints plugin;
    plugin.plugin_v2 = AGS_PluginV2;
    plugin.editor_startup = AGS_EditorStartup;
    plugin.editor_shutdown = AGS_EditorShutdown;
    plugin.engine_startup = AGS_EngineStartup;
    plugin.engine_on_event = AGS_EngineOnEvent;
    return session.start(plugin, engine, error);
  };
  // A sheet fitted to a length: the roll's speed and hold chosen first.
  std::vector<Message> fitting;
  if (fit_seconds > 0 && is_sheet_file(script_path)) {
    SheetFit fit;
    std::string why;
    if (fit_sheet_to(request, fit_seconds, fit, why)) {
      request.sheet_speed = fit.speed;
      request.sheet_hold = fit.hold;
      fitting.push_back({"note", request.script_name, 0, fitted_text(fit, fit_seconds), ""});
    } else if (!why.empty()) {
      fitting.push_back({"warning", request.script_name, 0,
                         "the credits cannot be fitted to " + fit_target_text(fit, fit_seconds) + ": " + why, ""});
    }
  }
  PlayFlow flow(request);
  KeepFrames keep;
  bool done = false;
  std::string stopped;
  try {
    done = flow.open() && flow.play({&keep});
  } catch (const std::exception &bad) {  // memory, most likely: said, not thrown at the page
    stopped = std::string("the play stopped: ") + bad.what();
  }
  played.width = flow.settings().width > 0 ? flow.settings().width : DEFAULT_SCREEN_WIDTH;
  played.height = flow.settings().height > 0 ? flow.settings().height : DEFAULT_SCREEN_HEIGHT;
  played.fps = flow.settings().fps > 0 ? flow.settings().fps : DEFAULT_GAME_SPEED;
  played.sound_files = flow.sound_files();
  for (const OfferedFunction &function : flow.functions()) played.functions.push_back(function);
  played.functions_read = flow.functions_read();
  for (const PlayMessage &m : flow.messages()) {
    played.messages.push_back({kind_names[static_cast<int>(m.kind)], m.file, m.line, m.text, hint_for(m.hint)});
  }
  played.messages.insert(played.messages.begin(), fitting.begin(), fitting.end());
  if (!stopped.empty()) played.messages.push_back({"error", request.script_name, 0, stopped, ""});
  if (!done) {
    played.frames.clear();
    played.pictures.clear();
    return;
  }
  played.speeds = flow.result().speeds;
  played.sounds = flow.stage().engine->sound_log;
  played.capped = flow.result().capped;
}

}  // namespace

extern "C" {

// Plays SCRIPT (with the game in GAME_FOLDER, or none when empty) from the
// function ENTRY (empty: the usual choice); at most MAX_FRAMES frames when
// it is 0 or more; a sheet's roll fitted to FIT_SECONDS when above 0. The
// number of frames kept; 0 when the play failed.
EMSCRIPTEN_KEEPALIVE int rw_play(const char *game_folder, const char *script, const char *entry, int max_frames,
                                 double fit_seconds) {
  play(game_folder, script, entry, max_frames, fit_seconds);
  return static_cast<int>(played.frames.size());
}

// What the last play said, as a JSON array of {kind, file, line, text, hint}.
EMSCRIPTEN_KEEPALIVE const char *rw_messages() {
  answer = "[";
  for (size_t i = 0; i < played.messages.size(); ++i) {
    const Message &m = played.messages[i];
    answer += (i ? ",{" : "{") + std::string("\"kind\":") + json_text(m.kind) + ",\"file\":" + json_text(m.file) +
              ",\"line\":" + std::to_string(m.line) + ",\"text\":" + json_text(m.text) + ",\"hint\":" + json_text(m.hint) + "}";
  }
  answer += "]";
  return answer.c_str();
}

// The last play's screen, speed, frames, speeds and sounds, as JSON.
EMSCRIPTEN_KEEPALIVE const char *rw_info() {
  answer = "{\"width\":" + std::to_string(played.width) + ",\"height\":" + std::to_string(played.height) +
           ",\"fps\":" + std::to_string(played.fps) + ",\"frames\":" + std::to_string(played.frames.size()) +
           ",\"speeds\":[";
  for (size_t i = 0; i < played.speeds.size(); ++i) {
    answer += (i ? ",[" : "[") + std::to_string(played.speeds[i].first) + "," + std::to_string(played.speeds[i].second) + "]";
  }
  answer += "],\"sounds\":[";
  for (size_t i = 0; i < played.sounds.size(); ++i) {
    answer += (i ? ",[" : "[") + std::to_string(played.sounds[i].first) + "," + std::to_string(played.sounds[i].second) + "]";
  }
  answer += "],\"sound_files\":{";
  size_t n = 0;
  for (const auto &file : played.sound_files) {
    answer += (n++ ? ",\"" : "\"") + std::to_string(file.first) + "\":" + json_text(file.second);
  }
  answer += "},\"first_shown\":" + std::to_string(played.first_shown) + ",\"functions_read\":" + std::string(played.functions_read ? "true" : "false") + ",\"functions\":[";
  for (size_t i = 0; i < played.functions.size(); ++i) {
    const OfferedFunction &function = played.functions[i];
    answer += (i ? ",{\"name\":" : "{\"name\":") + json_text(function.name) + ",\"line\":" +
              std::to_string(function.line) + ",\"note\":" + json_text(function.note) + "}";
  }
  answer += "]}";
  return answer.c_str();
}

// What the page reads of the game in GAME_FOLDER, as JSON: whether it keeps
// its texts as UTF-8 ({"utf8": true} also when there is no game: the page's
// scripts are then UTF-8), and the files a play may read, relative to the
// folder. The page writes the folder's other files empty and never reads them.
EMSCRIPTEN_KEEPALIVE const char *rw_game_files(const char *game_folder) {
  GameProject game;
  std::string error;
  const bool read = read_game_project(game_folder, game, error);
  answer = std::string("{\"utf8\":") + (!read || game.utf8 ? "true" : "false") + ",\"files\":[";
  const std::string inside = std::string(game_folder) + "/";
  size_t n = 0;
  for (const std::string &file : read ? files_read(game) : std::vector<std::string>{}) {
    if (file.rfind(inside, 0) != 0) continue;  // not in the folder the page was given
    answer += (n++ ? "," : "") + json_text(file.substr(inside.size()));
  }
  // The game's audio clips with a file in the folder, for fitting a sheet's roll to one.
  answer += "],\"clips\":{";
  n = 0;
  for (const auto &clip : read ? game.clips : std::map<std::string, GameProject::Clip>{}) {
    if (!clip.second.found || clip.second.file.rfind(inside, 0) != 0) continue;
    answer += (n++ ? "," : "") + json_text(clip.first) + ":" + json_text(clip.second.file.substr(inside.size()));
  }
  answer += "}}";
  return answer.c_str();
}

// The room file a play of the script named SCRIPT_NAME would draw under the
// credits, relative to GAME_FOLDER; empty when it draws none. The page reads
// it before the play.
EMSCRIPTEN_KEEPALIVE const char *rw_room_file(const char *game_folder, const char *script_name) {
  GameProject game;
  std::string error;
  answer.clear();
  if (!read_game_project(game_folder, game, error)) return answer.c_str();
  const int room = room_for(game, script_name, -1, false);
  const std::string inside = std::string(game_folder) + "/";
  const std::string file = room >= 0 ? room_file(game, room, ".crm") : "";
  if (file.rfind(inside, 0) == 0) answer = file.substr(inside.size());
  return answer.c_str();
}

// Frame INDEX as RGBA bytes, width x height of them; null past the end.
EMSCRIPTEN_KEEPALIVE const uint8_t *rw_frame(int index) {
  rollwick_host::Canvas canvas;
  if (index < 0 || !unpack(static_cast<size_t>(index), canvas)) return nullptr;
  return to_rgba(canvas);
}

// Writes the last play to PATH as KIND: "gif" (every frame at the game's
// time), "png" (frame FRAME) or "sheet" (a contact sheet of FRAME pictures).
// The error, or empty when written.
EMSCRIPTEN_KEEPALIVE const char *rw_save(const char *kind, const char *path, int frame) {
  const std::string what = kind;
  std::unique_ptr<OutputSink> output;
  if (what == "gif") output = make_gif_output(path, played.width, played.height, played.speeds);
  if (what == "png") output = make_single_frame_output(path, frame);
  if (what == "sheet") output = make_contact_sheet_output(path, frame > 0 ? frame : DEFAULT_SHEET_FRAMES, nullptr);
  answer.clear();
  if (output == nullptr || played.frames.empty()) {
    answer = "nothing to save";
    return answer.c_str();
  }
  size_t wait = 0;
  rollwick_host::Canvas canvas;
  for (size_t i = 0; i < played.frames.size(); ++i) {
    if (!unpack(i, canvas)) break;
    output->frame(static_cast<int64_t>(i), canvas);
    for (; wait < played.waits_ended.size() && played.waits_ended[wait] <= static_cast<int64_t>(i); ++wait) {
      output->wait_ended(played.waits_ended[wait]);
    }
  }
  std::string error;
  if (!output->finish(static_cast<int64_t>(played.frames.size()), error)) answer = error;
  return answer.c_str();
}

}  // extern "C"
