// Checks of the plug-in binary through its nine exports against the raw host:
// the slots it reaches, the order of start-up calls, script functions called
// through the addresses it registered, a short scrolling roll and a typewriter
// credit with its sounds. Shared by the Linux loader test and the Windows test
// program, which differ only in how they load the library.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "raw_host.h"

namespace raw_host {

struct PluginExports {
  int (*PluginV2)();
  const char *(*GetPluginName)();
  int (*EditorStartup)(RawObject *);
  void (*EditorShutdown)();
  void (*EditorProperties)(void *);
  int (*EditorSaveGame)(char *, int);
  void (*EditorLoadGame)(char *, int);
  void (*EngineStartup)(RawObject *);
  int (*EngineOnEvent)(int, int);
};

extern const char *const export_names[9];
inline const char *const export_names[9] = {
    "AGS_PluginV2",       "AGS_GetPluginName",  "AGS_EditorStartup",
    "AGS_EditorShutdown", "AGS_EditorProperties", "AGS_EditorSaveGame",
    "AGS_EditorLoadGame", "AGS_EngineStartup",  "AGS_EngineOnEvent"};

struct Checks {
  int passed = 0;
  int failed = 0;
  std::vector<std::string> failures;

  void check(bool ok, const std::string &what) {
    if (ok) {
      ++passed;
    } else {
      ++failed;
      failures.push_back(what);
      std::printf("FAIL: %s\n", what.c_str());
    }
  }
};

// Script functions as the engine calls them: C convention, 32-bit arguments.
using SetCreditFunction = void (*)(int, int, const char *, int, int, int);
using GetCreditFunction = const char *(*)(int, int);
using SequenceSettingsFunction = void (*)(int, int, int, int, int, int);
using RunCreditSequenceFunction = void (*)(int);
using IsFinishedFunction = int (*)(int);
using SetStaticCreditFunction = void (*)(int, int, const char *, int, int, int, int);
using ShowStaticCreditFunction = void (*)(int, int, int, int, int, int);

template <typename Function>
Function script_function(const char *name) {
  return reinterpret_cast<Function>(log().function(name));
}

inline std::string draw_text_of(const Event &event) {
  char text[160];
  std::snprintf(text, sizeof text, "%lld,%lld:%s", event.args[0], event.args[1], event.text.c_str());
  return text;
}

inline std::vector<std::string> texts_drawn() {
  std::vector<std::string> drawn;
  for (const Event &event : log().of("DrawText")) drawn.push_back(draw_text_of(event));
  return drawn;
}

inline void check_engine_startup(const PluginExports &plugin, Checks &checks) {
  log() = Log{};
  RawObject &old_engine = make_engine(11);
  plugin.EngineStartup(&old_engine);
  const std::vector<Event> aborts = log().of("AbortGame");
  checks.check(aborts.size() == 1 && aborts[0].text == "AGS Engine Interface v12 needed, found: v11",
               "a version-11 engine gets the version message through AbortGame");
  checks.check(log().events.size() == 1, "a version-11 engine is asked nothing else");

  log() = Log{};
  log().missing_functions = {"PlaySound"};
  RawObject &no_sound = make_engine(12);
  plugin.EngineStartup(&no_sound);
  const std::vector<Event> sound_aborts = log().of("AbortGame");
  checks.check(sound_aborts.size() == 1 &&
                   sound_aborts[0].text == "PlaySound-address not found!Missing functions: PlaySound",
               "an engine without PlaySound aborts with both texts run together");
  checks.check(log().registered.empty() && log().of("RequestEventHook").empty(),
               "a failed start-up registers nothing and requests no event");

  log() = Log{};
  RawObject &engine = make_engine(12);
  plugin.EngineStartup(&engine);
  const std::vector<Event> &events = log().events;
  checks.check(events.size() == 1 + 119 + 1 + 16, "start-up makes 137 host calls");
  if (events.size() != 137) return;
  checks.check(events[0].method == "GetScriptFunctionAddress" && events[0].text == "PlaySound",
               "PlaySound is looked up first");
  bool lookups_in_place = true;
  for (int i = 1; i <= 119; ++i) lookups_in_place &= events[i].method == "GetScriptFunctionAddress";
  checks.check(lookups_in_place, "119 engine function look-ups follow");
  checks.check(events[1].text == "AnimateCharacter" && events[66].text == "PlaySound" &&
                   events[119].text == "TintScreen",
               "the look-ups run in list order, PlaySound 66th");
  checks.check(events[120].method == "RequestEventHook" && events[120].args == std::vector<long long>{4},
               "RequestEventHook(4) comes before the registrations");
  const char *const names[16] = {"RunCreditSequence",  "SetCredit",         "GetCredit",
                                 "CreditsSettings",    "SequenceSettings",  "IsSequenceFinished",
                                 "PauseScrolling",     "SetCreditImage",    "SetStaticCredit",
                                 "SetStaticCreditTitle", "SetStaticPause",  "RunStaticCreditSequence",
                                 "IsStaticSequenceFinished", "ShowStaticCredit", "SetStaticImage",
                                 "GetCurrentStaticCredit"};
  bool registered_in_order = log().registered.size() == 16;
  for (int i = 0; registered_in_order && i < 16; ++i) {
    registered_in_order = log().registered[i].first == names[i] && log().registered[i].second != nullptr;
  }
  checks.check(registered_in_order, "the 16 script functions are registered in header order");
}

inline void check_script_calls(Checks &checks) {
  auto set_credit = script_function<SetCreditFunction>("SetCredit");
  auto get_credit = script_function<GetCreditFunction>("GetCredit");
  char buffer[32] = "Director";
  set_credit(1, 1, buffer, 10, 0, 15);
  std::snprintf(buffer, sizeof buffer, "%s", "overwritten");
  const char *stored = get_credit(1, 1);
  checks.check(stored != nullptr && std::string(stored) == "Director",
               "GetCredit returns the plug-in's copy of the text, not the caller's buffer");
  checks.check(get_credit(1, 50) == nullptr, "GetCredit of a line never set is null");
  checks.check(get_credit(3, 1) == nullptr, "GetCredit of sequence 3 is null");
}

inline void check_scrolling_roll(const PluginExports &plugin, Checks &checks) {
  auto set_credit = script_function<SetCreditFunction>("SetCredit");
  auto settings = script_function<SequenceSettingsFunction>("SequenceSettings");
  auto run = script_function<RunCreditSequenceFunction>("RunCreditSequence");
  auto finished = script_function<IsFinishedFunction>("IsSequenceFinished");

  set_credit(1, 1, "Hello", 10, 0, 15);
  set_credit(1, 2, "Left<>Right", 5, 0, 15);
  settings(1, 100, 98, 0, 0, 0);
  log().events.clear();
  run(1);
  for (int frame = 1; frame <= 3; ++frame) plugin.EngineOnEvent(4, 0);
  const std::vector<std::string> expected = {"10,100:Hello", "5,110:Left", "285,110:Right",
                                             "10,99:Hello",  "5,109:Left", "285,109:Right",
                                             "10,98:Hello",  "5,108:Left", "285,108:Right"};
  checks.check(texts_drawn() == expected, "a short roll draws at the expected places, one pixel up a frame");
  checks.check(plugin.EngineOnEvent(8, 0) == 0, "AGS_EngineOnEvent returns 0");
  checks.check(finished(1) == 1 && finished(1) == 0, "IsSequenceFinished reports the finish once");
}

inline void check_typewriter(const PluginExports &plugin, Checks &checks) {
  auto set_static = script_function<SetStaticCreditFunction>("SetStaticCredit");
  auto show = script_function<ShowStaticCreditFunction>("ShowStaticCredit");
  auto finished = script_function<IsFinishedFunction>("IsStaticSequenceFinished");
  set_static(1, 1, "Hi!", 10, 20, 0, 15);
  log().events.clear();
  log().sounds.clear();
  show(1, 1, 4, 1, 0, 7);
  checks.check(log().sounds == std::vector<int>{7}, "the first letter's sound plays inside ShowStaticCredit");
  for (int frame = 1; frame <= 5; ++frame) plugin.EngineOnEvent(4, 0);
  checks.check(log().sounds == std::vector<int>{7, 7, 7}, "one PlaySound per revealed letter, through the C entry");
  const std::vector<std::string> expected = {"10,20:H", "10,20:Hi", "10,20:Hi!", "10,20:Hi!", "10,20:Hi!"};
  checks.check(texts_drawn() == expected, "the typewriter reveals a letter a frame and holds the whole text");
  checks.check(finished(1) == 1 && finished(1) == 0, "the single credit reports its finish once");
}

inline void check_editor(const PluginExports &plugin, Checks &checks) {
  log() = Log{};
  RawObject &editor = make_editor(1);
  checks.check(plugin.EditorStartup(&editor) == 0, "editor start-up with version 1 returns 0");
  const std::vector<Event> registered = log().of("RegisterScriptHeader");
  checks.check(registered.size() == 1 && registered[0].text.rfind("import void RunCreditSequence (int sequence);\r\n",
                                                                   0) == 0,
               "the script header is registered");
  plugin.EditorShutdown();
  plugin.EditorShutdown();
  const std::vector<Event> unregistered = log().of("UnregisterScriptHeader");
  checks.check(unregistered.size() == 1 && !registered.empty() && unregistered[0].args == registered[0].args,
               "shutdown unregisters the same header pointer, once");
  checks.check(plugin.EditorSaveGame(nullptr, 0) == 0, "AGS_EditorSaveGame writes nothing and returns 0");
}

inline void run_abi_checks(const PluginExports &plugin, Checks &checks) {
  checks.check(plugin.PluginV2() == 1, "AGS_PluginV2 returns 1");
  checks.check(std::string(plugin.GetPluginName()) == "agsRollwick 2.0 (by Vornhal Software: QLM)",
               "AGS_GetPluginName returns the plug-in's name");
  check_engine_startup(plugin, checks);
  if (log().registered.size() != 16) return;
  check_script_calls(checks);
  check_scrolling_roll(plugin, checks);
  check_typewriter(plugin, checks);
  check_editor(plugin, checks);
}

}  // namespace raw_host
