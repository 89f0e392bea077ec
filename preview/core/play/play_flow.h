// One play of a game's credits, as every front end runs it: the game's
// folder read, the script and its headers read, the function chosen, the
// script linted as it plays, and all that went wrong said as messages.
//
// The front ends give only what they alone have (how the plug-in is started,
// the files the command line names) and word each message's hint their own
// way. Nothing here exits, prints or throws: a step that fails returns
// false, and its messages say why.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "canvas.h"
#include "credits_script.h"
#include "credits_sheet.h"
#include "game_project.h"
#include "game_setup.h"
#include "plugin_session.h"
#include "room_file.h"
#include "runner.h"

namespace rollwick_preview {

enum class MessageKind { error, warning, note };

struct PlayMessage {
  MessageKind kind = MessageKind::error;
  std::string file;  // the file it is about; empty when it is about the play as a whole
  int line = 0;      // 0: not about a line
  int column = 0;    // of an error in a script, when known
  std::string text;
  Hint hint = Hint::none;  // what the author can do, worded by each front end
  int hint_number = 0;
};

// The engine, the plug-in and everything the game gives them, for one play.
struct Stage {
  std::unique_ptr<PreviewEngine> engine;
  PluginSession session;
  rollwick_host::Canvas background;  // the picture under the credits, when has_background
  bool has_background = false;
  GameFileProblems problems;  // what the game's folder lacks that a call may need
};

// The game's screen and speed as this play has them.
struct PlaySettings {
  int width = 0;
  int height = 0;
  int depth = 32;
  int fps = 0;
  bool fixed_fps = false;  // the speed was given: SetGameSpeed does not change it
  bool antialias = false;  // anti-aliased TrueType text
  bool utf8 = true;        // the game keeps its texts as UTF-8 (or there is no game)
};

// A function of the script that a front end may offer to play, with why it
// cannot when it cannot (it takes parameters, or never runs).
struct OfferedFunction {
  std::string name;
  int line = 0;
  std::string note;
};

struct PlayRequest {
  std::string game_folder;  // the game's project folder (or its Game.agf); empty: no game
  // The script; read from here unless script_text is given. Empty with a
  // game: the game's own scripts, the first that calls the plug-in.
  std::string script_path;
  std::string script_name;  // as messages name it (default: script_path)
  const std::string *script_text = nullptr;  // the script's bytes, when not in a file (standard input)
  bool guess_game_script = false;  // no name tells: a script all in functions is read as a game script
  std::string entry;               // the function that plays the credits; empty: the previewer chooses
  int64_t max_frames = -1;         // stop after this many; -1: when the credits end, an error past FRAME_CAP
  // Over the game's settings, where not 0.
  int width = 0;
  int height = 0;
  int depth = 0;
  int fps = 0;
  // The room under the credits: -1 the one whose script plays them, else
  // where the player character starts.
  int room = -1;
  bool no_room = false;  // black under the credits
  bool antialias = false;  // anti-aliased TrueType text even where the game does not ask for it
  bool offer_functions = false;  // list the script's functions whatever the entry
  // A sheet's roll speed and hold (-1: the sheet's own settings).
  int sheet_speed = -1;
  int sheet_hold = -1;
  bool stop_at_warning = false;  // the first warning ends the play
  // Sound number: a file given for it, over the game's clip.
  std::map<int, std::string> sounds;
  bool sounds_heard = false;  // the output plays sounds: a typewriter sound with no file is a warning
  // Starts the plug-in on a stage's engine; false with the reason when it cannot.
  std::function<bool(PluginSession &session, PreviewEngine &engine, std::string &error)> start_plugin;
  // What the front end adds to each new stage (fonts, sprites, a picture under the credits).
  std::function<void(Stage &stage, const PlaySettings &settings, bool first)> furnish;
  // Each message as it is said.
  std::function<void(const PlayMessage &message)> on_message;
};

class PlayFlow {
 public:
  explicit PlayFlow(PlayRequest request);

  // Reads the game (when there is one) and the script with the game's
  // headers, starts the first stage and parses the script.
  bool open();
  // Plays the opened script on the first stage, linting every call, into
  // `sinks` (none: only to learn the length and the warnings).
  bool play(const std::vector<FrameSink *> &sinks = {});
  // A fresh stage for playing again, which outputs may draw on (its fonts)
  // and follow (its sounds) before the play.
  bool stage_again();
  // Plays it again on that stage into `sinks`: the same frames, no
  // messages. For the outputs once the first play has found no error.
  bool play_again(const std::vector<FrameSink *> &sinks, const std::function<void(int64_t frames)> &progress = {});

  const PlayRequest &request() const { return request_; }
  bool has_game() const { return has_game_; }
  const GameProject &game() const { return game_; }
  const PlaySettings &settings() const { return settings_; }
  const Script &script() const { return script_; }
  const std::vector<OfferedFunction> &functions() const { return functions_; }
  bool functions_read() const { return functions_read_; }
  const RunResult &result() const { return result_; }  // of the first play
  int64_t frames_played_again() const { return frames_again_; }
  const Stage &stage() const { return *stage_; }         // of the last play
  // The sound files the game and the request give, by sound number.
  const std::map<int, std::string> &sound_files() const { return sound_files_; }
  const std::vector<PlayMessage> &messages() const { return messages_; }
  // The room drawn under the credits (-1: none) and what the screen shows of it.
  int room_number() const { return room_drawn_ ? room_number_ : -1; }
  // The script is a sheet, laid out as this sheet's settings say.
  bool is_sheet() const { return is_sheet_; }
  const Sheet &sheet() const { return sheet_; }
  const RoomView &room_view() const { return room_view_; }
  int warnings() const { return warnings_; }
  bool stopped_at_warning() const { return stopped_at_warning_; }

 private:
  bool say(MessageKind kind, const std::string &file, int line, const std::string &text, Hint hint = Hint::none,
           int hint_number = 0, int column = 0);
  bool fail(const ScriptError &bad);
  bool read_scripts();
  bool read_headers();
  bool find_game_script();
  bool too_much_script(const std::string &at);
  const Room *room(int number);
  void set_up_room();
  bool parse();
  void read_sheet_script();
  void check_sheet_widths();
  bool new_stage(bool first);
  void list_functions();
  RunOptions run_options(int64_t max_frames) const;

  PlayRequest request_;
  bool has_game_ = false;
  GameProject game_;
  PlaySettings settings_;
  std::string source_;
  ParseOptions parse_options_;
  Script script_;
  bool opened_ = false;
  std::vector<OfferedFunction> functions_;
  bool functions_read_ = false;
  std::unique_ptr<Stage> stage_;
  RunResult result_;
  int64_t frames_again_ = 0;
  std::map<int, std::string> sound_files_;
  std::vector<PlayMessage> messages_;
  int warnings_ = 0;
  bool stopped_at_warning_ = false;
  size_t headers_bytes_ = 0;
  bool is_sheet_ = false;
  Sheet sheet_;
  std::vector<int> sheet_lines_;  // the sheet's line of each line of the script laid out from it
  struct RoomRead {
    std::unique_ptr<Room> room;  // null when it could not be read
    std::string error;           // why
  };
  std::map<int, RoomRead> rooms_;  // the rooms read, by number
  int room_number_ = -1;
  bool room_drawn_ = false;
  RoomView room_view_;
  rollwick_host::Palette palette_{};  // an 8-bit game's colours in the room
};

// The speed and hold that make a sheet's credits last `seconds` at the
// game's speed, found by playing the sheet of `request`. False with why when
// no speed fits, and with `why` empty when the sheet does not play at all
// (its play says why).
bool fit_sheet_to(const PlayRequest &request, double seconds, SheetFit &fit, std::string &why);

// What was chosen, in one line: "fitted to 75.00 s (3000 frames at 40 a
// second): speed 9, hold 159; the credits last 3000 frames".
std::string fitted_text(const SheetFit &fit, double seconds);
// The length asked for: "75.00 s (3000 frames at 40 a second)".
std::string fit_target_text(const SheetFit &fit, double seconds);

// N for a room's script (roomN.asc, in any case), else -1.
int room_of_script(const std::string &script_path);

// The room a play draws under the credits (-1: none): the one asked for,
// else the room whose script `script_path` is, else where the player starts.
int room_for(const GameProject &game, const std::string &script_path, int requested, bool no_room);

}  // namespace rollwick_preview
