// The built libagsRollwick2.so, loaded the way the engine loads it: dlopen,
// the nine names through dlsym, handlers called through the addresses the
// plug-in registered, with int arguments.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "plugin_abi_checks.h"
#include "recording_host.h"

using rollwick_host::RecordingEngine;

namespace {

void *plugin_library() {
  static void *library = dlopen(PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
  return library;
}

template <typename Function>
Function plugin_symbol(const char *name) {
  return reinterpret_cast<Function>(dlsym(plugin_library(), name));
}

// The script functions the plug-in registered with `engine`, by name.
std::map<std::string, void *> registered_functions(const RecordingEngine &engine) {
  std::map<std::string, void *> functions;
  for (const auto &call : engine.calls_of("RegisterScriptFunction")) {
    functions[call.text] = reinterpret_cast<void *>(static_cast<intptr_t>(call.args[0]));
  }
  return functions;
}

class LoadedPlugin : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(plugin_library(), nullptr) << dlerror();
    plugin_symbol<void (*)(IAGSEngine *)>("AGS_EngineStartup")(&engine);
    functions = registered_functions(engine);
    ASSERT_EQ(functions.size(), 16u);
    on_event = plugin_symbol<int (*)(int, int)>("AGS_EngineOnEvent");
  }
  template <typename Function>
  Function script(const char *name) {
    return reinterpret_cast<Function>(functions.at(name));
  }
  // Runs frames until `finished` reports, at most `limit`; returns the frame
  // count and checks the finish is reported exactly once.
  int frames_until_finished(int (*finished)(int), int sequence, int limit) {
    for (int frames = 1; frames <= limit; ++frames) {
      on_event(AGSE_POSTSCREENDRAW, 0);
      if (finished(sequence) == 1) {
        EXPECT_EQ(finished(sequence), 0) << "a finish is reported once";
        return frames;
      }
    }
    return -1;
  }

  RecordingEngine engine;
  std::map<std::string, void *> functions;
  int (*on_event)(int, int) = nullptr;
};

}  // namespace

TEST(PluginBinary, ResolvesTheNineEntryPoints) {
  ASSERT_NE(plugin_library(), nullptr) << dlerror();
  for (const char *name : raw_host::export_names) EXPECT_NE(dlsym(plugin_library(), name), nullptr) << name;
  EXPECT_EQ(dlsym(plugin_library(), "frame_tick"), nullptr);
  EXPECT_EQ(dlsym(plugin_library(), "credit_store"), nullptr);
}

TEST(PluginBinary, ReachesTheRightSlotsOfARawHost) {
  ASSERT_NE(plugin_library(), nullptr) << dlerror();
  raw_host::PluginExports plugin{};
  plugin.PluginV2 = plugin_symbol<decltype(plugin.PluginV2)>("AGS_PluginV2");
  plugin.GetPluginName = plugin_symbol<decltype(plugin.GetPluginName)>("AGS_GetPluginName");
  plugin.EditorStartup = plugin_symbol<decltype(plugin.EditorStartup)>("AGS_EditorStartup");
  plugin.EditorShutdown = plugin_symbol<decltype(plugin.EditorShutdown)>("AGS_EditorShutdown");
  plugin.EditorProperties = plugin_symbol<decltype(plugin.EditorProperties)>("AGS_EditorProperties");
  plugin.EditorSaveGame = plugin_symbol<decltype(plugin.EditorSaveGame)>("AGS_EditorSaveGame");
  plugin.EditorLoadGame = plugin_symbol<decltype(plugin.EditorLoadGame)>("AGS_EditorLoadGame");
  plugin.EngineStartup = plugin_symbol<decltype(plugin.EngineStartup)>("AGS_EngineStartup");
  plugin.EngineOnEvent = plugin_symbol<decltype(plugin.EngineOnEvent)>("AGS_EngineOnEvent");
  raw_host::Checks checks;
  raw_host::run_abi_checks(plugin, checks);
  EXPECT_EQ(checks.failed, 0);
  EXPECT_GE(checks.passed, 25);
}

TEST_F(LoadedPlugin, MixedRollRunsToItsFinish) {
  engine.settings.sprites[4] = {40, 25};
  auto set_credit = script<void (*)(int, int, const char *, int, int, int)>("SetCredit");
  auto set_image = script<void (*)(int, int, int, int, int)>("SetCreditImage");
  auto settings = script<void (*)(int, int, int, int, int, int)>("SequenceSettings");
  auto run = script<void (*)(int)>("RunCreditSequence");
  auto finished = script<int (*)(int)>("IsSequenceFinished");
  char buffer[64];  // one script buffer serves every line: the plug-in copies
  const char *texts[] = {"The End", "Director<>Ada", "Music<.>Bea", "Art<#>Cy"};
  for (int i = 0; i < 4; ++i) {
    std::snprintf(buffer, sizeof buffer, "%s", texts[i]);
    set_credit(2, i + 1, buffer, -1, 0, 15);
  }
  set_image(2, 6, -1, 4, -1);  // line 5 stays empty
  settings(2, 0, 0, 0, 1, 3);
  engine.clear_calls();
  run(2);
  EXPECT_EQ(engine.calls_of("PrintDebugConsole").at(0).text, "Sequence #2 height: 75 pixels");
  // After the start call the column stands at 200: 276 frames draw and move
  // it to -76, past the end; the end wait draws 4 more and the next finishes.
  EXPECT_EQ(frames_until_finished(finished, 2, 1000), 276 + 4 + 1);
  EXPECT_GT(engine.calls_of("DrawText").size(), 1000u);
  EXPECT_EQ(engine.calls_of("BlitBitmap").size(), 225u);  // top from 200 to -24
}

TEST_F(LoadedPlugin, StaticSequenceAndTypewriterRunToTheirFinish) {
  auto set_static = script<void (*)(int, int, const char *, int, int, int, int)>("SetStaticCredit");
  auto set_title = script<void (*)(int, int, const char *, int, int, int, int)>("SetStaticCreditTitle");
  auto set_pause = script<void (*)(int, int, int)>("SetStaticPause");
  auto run_static = script<void (*)(int, int)>("RunStaticCreditSequence");
  auto show = script<void (*)(int, int, int, int, int, int)>("ShowStaticCredit");
  auto finished = script<int (*)(int)>("IsStaticSequenceFinished");
  auto current = script<int (*)(int)>("GetCurrentStaticCredit");

  set_title(2, 1, "Cast", -1, 20, 0, 15);
  set_static(2, 1, "Ada[[Bea", -1, -1, 0, 15);  // 12 letters x speed 2: 25 frames
  set_pause(2, 2, 5);
  set_static(2, 3, "Fin", 10, 10, 0, 15);  // 3 x 2: 7 frames
  run_static(2, 2);
  EXPECT_EQ(current(1), 1);
  // Frames after the start call: the rest of credit 1, its advancing frame,
  // the pause (6 + 1), credit 3 (7), its advancing frame, the end.
  EXPECT_EQ(frames_until_finished(finished, 2, 500), 24 + 1 + 7 + 7 + 1 + 1);

  engine.clear_calls();
  show(2, 3, 20, 1, 1, 6);
  EXPECT_EQ(frames_until_finished(finished, 2, 500), 21);
  EXPECT_EQ(engine.sounds_played, (std::vector<int>{6, 6, 6}));
}
