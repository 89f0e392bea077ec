#include "play_flow.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <set>
#include <utility>

#include "lint.h"
#include "script_encoding.h"
#include "sprite_file.h"

namespace rollwick_preview {

namespace {

// Thrown from a warning when the first one ends the play.
struct WarningStop {};

}  // namespace

PlayFlow::PlayFlow(PlayRequest request) : request_(std::move(request)) {
  if (request_.script_name.empty()) request_.script_name = request_.script_path;
}

bool PlayFlow::say(MessageKind kind, const std::string &file, int line, const std::string &text, Hint hint,
                   int hint_number, int column) {
  // What is said of a sheet's laid-out script is said of the sheet's line.
  if (is_sheet_ && file == request_.script_name && line > 0 && static_cast<size_t>(line) <= sheet_lines_.size()) {
    line = sheet_lines_[static_cast<size_t>(line) - 1];
    column = 0;
  }
  messages_.push_back({kind, file, line, column, text, hint, hint_number});
  if (request_.on_message) request_.on_message(messages_.back());
  if (kind == MessageKind::warning) {
    warnings_ += 1;
    if (request_.stop_at_warning) {
      stopped_at_warning_ = true;
      throw WarningStop{};
    }
  }
  return kind != MessageKind::error;
}

bool PlayFlow::fail(const ScriptError &bad) {
  return say(MessageKind::error, bad.file, bad.line, bad.message, bad.hint, bad.hint_number, bad.column);
}

bool PlayFlow::open() {
  try {
    has_game_ = !request_.game_folder.empty();
    std::string error;
    if (has_game_) {
      if (!read_game_project(request_.game_folder, game_, error)) return say(MessageKind::error, "", 0, error);
      for (const std::string &problem : game_.warnings) say(MessageKind::warning, "Game.agf", 0, problem);
    }
    settings_.width = request_.width > 0 ? request_.width : has_game_ ? game_.width : DEFAULT_SCREEN_WIDTH;
    settings_.height = request_.height > 0 ? request_.height : has_game_ ? game_.height : DEFAULT_SCREEN_HEIGHT;
    settings_.depth = request_.depth > 0 ? request_.depth : has_game_ ? game_.depth : 32;
    settings_.fps = request_.fps > 0 ? request_.fps : has_game_ ? game_.fps : DEFAULT_GAME_SPEED;
    settings_.fixed_fps = request_.fps > 0;
    // The engine anti-aliases TrueType text only in 32-bit games.
    settings_.antialias = request_.antialias || (has_game_ && game_.antialias_fonts && settings_.depth == 32);
    settings_.utf8 = !has_game_ || game_.utf8;

    if (has_game_) sound_files_ = game_.sound_files;
    for (const auto &sound : request_.sounds) sound_files_[sound.first] = sound.second;

    palette_ = game_.palette;
    if (!read_headers()) return false;
    parse_options_.entry = request_.entry;
    for (const auto &clip : game_.clips) parse_options_.audio_clips.push_back(clip.first);
    const bool own_scripts = has_game_ && request_.script_path.empty() && request_.script_text == nullptr;
    if (own_scripts) {
      // The stage first: which script calls the plug-in is read against its
      // functions. The room's colours reach it through palette_.
      if (!new_stage(true) || !find_game_script()) return false;
      set_up_room();
    } else {
      if (!read_scripts()) return false;
      set_up_room();
      if (!new_stage(true)) return false;
    }
    if (!parse()) return false;
    opened_ = true;
    return true;
  } catch (const ScriptError &bad) {
    return fail(bad);
  } catch (const WarningStop &) {
    return false;
  }
}

bool PlayFlow::read_headers() {
  std::string error;
  for (const std::string &header : game_.headers) {
    std::vector<uint8_t> bytes;
    if (!read_file_limited(header, MAX_SCRIPT_BYTES, bytes, error)) return say(MessageKind::error, "", 0, error);
    headers_bytes_ += bytes.size();
    if (headers_bytes_ > MAX_SCRIPTS_BYTES) return too_much_script(header);
    parse_options_.headers.push_back({header, std::string(bytes.begin(), bytes.end())});
  }
  return true;
}

bool PlayFlow::too_much_script(const std::string &at) {
  return say(MessageKind::error, "", 0,
             "the script and the game's headers hold more than the previewer reads together (" +
                 std::to_string(MAX_SCRIPTS_BYTES >> 20) + " MiB at most), at " + at);
}

bool PlayFlow::read_scripts() {
  std::string error;
  if (request_.script_text != nullptr) {
    source_ = *request_.script_text;
  } else {
    std::vector<uint8_t> bytes;
    if (!read_file_limited(request_.script_path, MAX_SCRIPT_BYTES, bytes, error)) {
      return say(MessageKind::error, "", 0, error);
    }
    source_.assign(bytes.begin(), bytes.end());
  }
  return true;
}

bool PlayFlow::parse() {
  if (source_.size() + headers_bytes_ > MAX_SCRIPTS_BYTES) return too_much_script(request_.script_name);
  parse_options_.game_script = is_game_script_file(request_.script_path);
  if (is_sheet_file(request_.script_path)) read_sheet_script();
  const int script_room = has_game_ ? room_of_script(request_.script_path) : -1;
  const Room *read = script_room >= 0 ? room(script_room) : nullptr;
  if (read != nullptr && read->room_events.size() > ROOM_EVENT_AFTER_FADE_IN) {
    parse_options_.event_entry = read->room_events[ROOM_EVENT_AFTER_FADE_IN];
  }
  if (request_.offer_functions) list_functions();
  const auto &plugin = stage_->session.functions();
  script_ = parse_credits_script(request_.script_name, source_, plugin, parse_options_);
  // A script with no name to tell a game script by: one whose code is all in
  // functions is one, and is read as strictly as the engine reads a .asc file.
  if (request_.guess_game_script && !parse_options_.game_script && script_.statements.empty() &&
      !script_.functions.empty()) {
    parse_options_.game_script = true;
    script_ = parse_credits_script(request_.script_name, source_, plugin, parse_options_);
  }
  return true;
}

// A sheet is played as the credits script laid out from it; its function is
// the one the laid-out script is written into, not one to choose.
void PlayFlow::read_sheet_script() {
  sheet_ = read_sheet(request_.script_name, source_);
  if (request_.sheet_speed >= 0) sheet_.settings.speed = request_.sheet_speed;
  if (request_.sheet_hold >= 0) sheet_.settings.hold = request_.sheet_hold;
  PreviewEngine &engine = *stage_->engine;
  const SheetSettings &s = sheet_.settings;
  // Layout heights as the plug-in measures a column (lengths the script gives
  // are doubled on a screen 640 wide).
  const int scale = settings_.width == 640 ? 2 : 1;
  SheetScript laid_out = sheet_script(sheet_, [&](const SheetLine &line) -> int {
    if (line.kind == SheetLine::Kind::space) return s.empty_line * scale;
    if (line.kind == SheetLine::Kind::image) return engine.GetSpriteHeight(line.slot);
    return engine.measure(style_of(line, s).font, credit_text(line, s).c_str()).height;
  });
  source_ = std::move(laid_out.source);
  sheet_lines_ = std::move(laid_out.sheet_lines);
  parse_options_.entry.clear();
  request_.entry.clear();
  parse_options_.game_script = false;
  check_sheet_widths();  // (said of the sheet's lines as they are)
  is_sheet_ = true;
}

// Lines wider than the screen run off it in the game: named with the sheet's line.
void PlayFlow::check_sheet_widths() {
  PreviewEngine &engine = *stage_->engine;
  const SheetSettings &s = sheet_.settings;
  for (const SheetLine &line : sheet_.lines) {
    if (line.kind == SheetLine::Kind::space || line.kind == SheetLine::Kind::image) continue;
    const SheetStyle &style = style_of(line, s);
    const std::string text = line.kind == SheetLine::Kind::role ? line.role + "  " + line.text : line.text;
    const int width = engine.measure(style.font, text.c_str()).width;
    if (width > settings_.width) {
      say(MessageKind::warning, request_.script_name, line.line,
          "this line is " + std::to_string(width) + " pixels wide in font " + std::to_string(style.font) +
              ", wider than the screen (" + std::to_string(settings_.width) + "): it runs off the screen");
    }
  }
}

bool fit_sheet_to(const PlayRequest &request, double seconds, SheetFit &fit, std::string &why) {
  PlayRequest quiet = request;
  quiet.on_message = nullptr;
  quiet.stop_at_warning = false;
  quiet.max_frames = FRAME_CAP;
  why.clear();
  PlayFlow probe(quiet);
  if (!probe.open() || !probe.is_sheet()) return false;
  const int fps = probe.settings().fps > 0 ? probe.settings().fps : DEFAULT_GAME_SPEED;
  const auto frames_at = [&quiet](int speed, int hold) -> int64_t {
    PlayRequest trial = quiet;
    trial.sheet_speed = speed;
    trial.sheet_hold = hold;
    PlayFlow flow(trial);
    if (!flow.open() || !flow.play()) return FRAME_CAP + 1;
    return flow.result().frames;
  };
  const int64_t target = std::llround(seconds * fps);
  const bool fitted = fit_sheet(target, fps, frames_at, fit, why);
  fit.target = target;
  fit.fps = fps;
  return fitted;
}

std::string fit_target_text(const SheetFit &fit, double seconds) {
  char figures[96];
  std::snprintf(figures, sizeof figures, "%.2f s (%lld frames at %d a second)", seconds,
                static_cast<long long>(fit.target), fit.fps);
  return figures;
}

std::string fitted_text(const SheetFit &fit, double seconds) {
  return "fitted to " + fit_target_text(fit, seconds) + ": speed " + std::to_string(fit.speed) + ", hold " +
         std::to_string(fit.hold) + "; the credits last " + std::to_string(fit.frames) + " frames";
}

// The game's own scripts, in the order the engine knows them: the global
// script and the modules, then the rooms'. The first whose function (the
// one asked for, or any) reaches the plug-in plays the credits.
bool PlayFlow::find_game_script() {
  std::vector<std::string> candidates = game_.scripts;
  for (const int number : game_.rooms) {
    const std::string path = room_file(game_, number, ".asc");
    if (access(path.c_str(), R_OK) == 0) candidates.push_back(path);
  }
  std::unique_ptr<ScriptError> first_error;
  for (const std::string &path : candidates) {
    std::vector<uint8_t> bytes;
    std::string error;
    if (!read_file_limited(path, MAX_SCRIPT_BYTES, bytes, error)) continue;
    const std::string text(bytes.begin(), bytes.end());
    ParseOptions options = parse_options_;
    options.game_script = true;
    options.list_only = true;
    options.entry = "";
    try {
      const Script listed = parse_credits_script(path, text, stage_->session.functions(), options);
      const bool wanted = request_.entry.empty()
                              ? std::any_of(listed.functions.begin(), listed.functions.end(),
                                            [](const ScriptFunction &f) { return f.reaches_plugin; })
                              : std::any_of(listed.functions.begin(), listed.functions.end(),
                                            [&](const ScriptFunction &f) { return f.name == request_.entry; });
      if (!wanted) continue;
    } catch (const ScriptError &bad) {
      if (!first_error) first_error = std::make_unique<ScriptError>(bad);
      continue;
    }
    request_.script_path = path;
    request_.script_name = path;
    source_ = text;
    return true;
  }
  if (first_error) return fail(*first_error);
  std::string looked;
  for (const std::string &path : candidates) looked += (looked.empty() ? "" : ", ") + path;
  return say(MessageKind::error, "", 0,
             (request_.entry.empty() ? std::string("no script of the game calls the plug-in")
                                     : "no script of the game has a function named '" + request_.entry + "'") +
                 (looked.empty() ? " (the game lists no script)" : " (looked in " + looked + ")"));
}

int room_of_script(const std::string &script_path) {
  std::string name = script_path.substr(script_path.find_last_of('/') + 1);
  for (char &c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (name.size() < 9 || name.compare(0, 4, "room") != 0 || name.compare(name.size() - 4, 4, ".asc") != 0) return -1;
  const std::string digits = name.substr(4, name.size() - 8);
  if (digits.empty() || digits.size() > 5 || !std::all_of(digits.begin(), digits.end(), ::isdigit)) return -1;
  return std::atoi(digits.c_str());
}

int room_for(const GameProject &game, const std::string &script_path, int requested, bool no_room) {
  if (no_room) return -1;
  if (requested >= 0) return requested;
  const int script_room = room_of_script(script_path);
  return script_room >= 0 ? script_room : game.player_room;
}

const Room *PlayFlow::room(int number) {
  auto found = rooms_.find(number);
  if (found != rooms_.end()) return found->second.room.get();
  RoomRead &read = rooms_[number];
  const std::string path = room_file(game_, number, ".crm");
  read.room = std::make_unique<Room>();
  if (access(path.c_str(), F_OK) != 0) {
    read.error = "the game's room " + std::to_string(number) + " has no file: " + path + " is missing";
    read.room.reset();
  } else if (!read_room(path, *read.room, read.error)) {
    read.room.reset();
  }
  return read.room.get();
}

// The room under the credits, its colours in an 8-bit game and where its
// camera looks; a room that cannot be read leaves the screen black.
void PlayFlow::set_up_room() {
  if (!has_game_) return;
  room_number_ = room_for(game_, request_.script_path, request_.room, request_.no_room);
  if (room_number_ < 0) return;
  const Room *read = room(room_number_);
  if (read == nullptr) {
    say(MessageKind::warning, "", 0, rooms_[room_number_].error + "; the credits play over black");
    return;
  }
  if (read->frames > 1) {
    say(MessageKind::warning, "", 0,
        "room " + std::to_string(room_number_) + " is animated (" + std::to_string(read->frames) +
            " background frames): the previewer shows its first frame");
  }
  const rollwick_host::Palette own = room_palette(*read);
  if (settings_.depth == 8) {
    for (size_t i = 0; i < 256; ++i) {
      if (game_.background_entries[i]) palette_[i] = own[i];
    }
  }
  room_view_.picture = background_for_depth(*read, settings_.depth, settings_.depth == 8 ? palette_ : own);
  room_view_.width = read->width;
  room_view_.height = read->height;
  room_view_.follow_x = game_.player_x;
  room_view_.follow_y = game_.player_y;
  room_drawn_ = true;
}

bool PlayFlow::new_stage(bool first) {
  stage_ = std::make_unique<Stage>();
  stage_->engine = std::make_unique<PreviewEngine>(settings_.width, settings_.height, settings_.depth);
  PreviewEngine &engine = *stage_->engine;
  std::string error;
  if (!request_.start_plugin || !request_.start_plugin(stage_->session, engine, error)) {
    return say(MessageKind::error, "", 0, error.empty() ? "no plug-in to play the credits with" : error);
  }
  if (has_game_) set_up_game(game_, settings_.antialias, engine, stage_->problems, &palette_);
  if (!set_up_default_font(engine, settings_.utf8) && first) {
    say(MessageKind::warning, "", 0, "no default font: fonts the game does not give draw nothing", Hint::install_font);
  }
  if (request_.furnish) request_.furnish(*stage_, settings_, first);
  return true;
}

// The script's functions as the parser reads them (not those in comments or
// left out by the preprocessor), whatever function is chosen.
void PlayFlow::list_functions() {
  ParseOptions options = parse_options_;
  options.list_only = true;
  try {
    for (const ScriptFunction &function :
         parse_credits_script(request_.script_name, source_, stage_->session.functions(), options).functions) {
      std::string note = function.cannot_run;
      const size_t count = function.parameters.size();
      if (note.empty() && count > 0) note = "takes " + std::to_string(count) + " parameter" + (count == 1 ? "" : "s");
      functions_.push_back({function.name, function.line, note});
    }
    functions_read_ = true;
  } catch (const ScriptError &) {
  }
}

bool PlayFlow::play(const std::vector<FrameSink *> &sinks) {
  if (!opened_) return false;
  const std::string &name = request_.script_name;
  try {
    for (const EncodingWarning &warning :
         encoding_problems({name, source_}, parse_options_.headers, settings_.utf8)) {
      say(MessageKind::warning, warning.file, warning.line, warning.message);
    }
    Stage &stage = *stage_;
    const std::map<int, std::string> missing = missing_sound_clips(game_);
    std::map<int, std::string> sound_problems;
    std::set<int> sounds_with_files;
    for (const auto &sound : sound_files_) sounds_with_files.insert(sound.first);
    for (const auto &problem : missing) {
      if (!request_.sounds.count(problem.first)) sound_problems.insert(problem);
    }
    LintSources sources;
    if (has_game_) sources.sprite_file = game_.sprite_file;
    sources.has_background = stage.has_background;
    if (request_.sounds_heard) sources.sounds = &sounds_with_files;
    sources.sound_problems = &sound_problems;
    sources.game_files = &stage.problems;
    Linter linter(stage.session.functions(), *stage.engine, sources);

    const bool capped_by_user = request_.max_frames >= 0;
    RunOptions options = run_options(capped_by_user ? request_.max_frames : FRAME_CAP);
    options.on_warning = [&](int line, const std::string &message) { say(MessageKind::warning, name, line, message); };
    options.on_call = [&](const Call &call, int32_t result) {
      const size_t before = linter.warnings.size();
      linter.frame = stage.engine->frame;
      linter.on_call(call, result);
      for (size_t i = before; i < linter.warnings.size(); ++i) {
        const Warning &found = linter.warnings[i];
        say(MessageKind::warning, name, found.line, found.message, found.hint, found.hint_number);
      }
      if (!linter.endless.empty() && !capped_by_user) {
        throw ScriptError(name, linter.endless_line, 1, linter.endless, Hint::cap_frames);
      }
    };
    result_ = run_script(script_, stage.session, *stage.engine, sinks, options);

    if (result_.capped && !capped_by_user) {
      char seconds[32];
      std::snprintf(seconds, sizeof seconds, "%.0f", seconds_of(FRAME_CAP, result_.speeds));
      return say(MessageKind::error, name, 0,
                 "the credits did not end within " + std::to_string(FRAME_CAP) + " frames (" + seconds +
                     " s of the game): the script waits on something that never comes",
                 Hint::cap_frames);
    }
    if (result_.frames == 0) {
      return say(MessageKind::error, "", 0,
                 "no frame was rendered: the script lets no frame pass (it needs Wait or a loop that waits)");
    }
    if (result_.capped) {
      say(MessageKind::note, "", 0,
          "stopped at " + std::to_string(request_.max_frames) + " frames, before the credits ended");
    }
    const std::string unmet = stage.problems.unmet(linter.fonts_used, linter.slots_used);
    if (!unmet.empty()) say(MessageKind::warning, "", 0, "the game's folder also has problems the script does not meet: " + unmet);
    for (const auto &call : result_.not_previewed) {
      say(MessageKind::note, name, call.second,
          call.first + ": not previewed (in the game it leaves the credits' picture as it is)");
    }
    return true;
  } catch (const ScriptError &bad) {
    return fail(bad);
  } catch (const WarningStop &) {
    return false;
  }
}

// How the script runs on the current stage, up to `max_frames` frames.
RunOptions PlayFlow::run_options(int64_t max_frames) const {
  RunOptions options;
  options.max_frames = max_frames;
  options.fps = settings_.fps;
  options.fixed_fps = settings_.fixed_fps;
  options.entry = request_.entry;
  if (stage_->has_background) options.background = &stage_->background;
  if (room_drawn_) options.room = &room_view_;
  return options;
}

bool PlayFlow::stage_again() { return opened_ && new_stage(false); }

bool PlayFlow::play_again(const std::vector<FrameSink *> &sinks, const std::function<void(int64_t)> &progress) {
  if (!opened_) return false;
  try {
    RunOptions options = run_options(result_.frames);
    options.progress = progress;
    frames_again_ = run_script(script_, stage_->session, *stage_->engine, sinks, options).frames;
    return true;
  } catch (const ScriptError &bad) {
    return fail(bad);
  } catch (const WarningStop &) {
    return false;
  }
}

}  // namespace rollwick_preview
