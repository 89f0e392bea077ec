// The exports, start-up in editor and engine, the script header and the
// function table, the engine-function lookup.
#include <cstring>
#include <stdexcept>

#include "plugin_entry.h"
#include "plugin_test.h"
#include "script_api.h"

using rollwick_host::RecordingEditor;
using rollwick_host::RecordingEngine;

class ShellTest : public PluginTest {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    host_links = HostLinks{};
    engine.clear_calls();
  }
  std::vector<std::string> aborts() const {
    std::vector<std::string> texts;
    for (const auto &call : engine.calls_of("AbortGame")) texts.push_back(call.text);
    return texts;
  }
};

TEST_F(ShellTest, FixedAnswers) {
  EXPECT_EQ(AGS_PluginV2(), 1);
  EXPECT_STREQ(AGS_GetPluginName(), "agsRollwick 2.0 (by Vornhal Software: QLM)");
  char buffer[8] = "keep";
  EXPECT_EQ(AGS_EditorSaveGame(buffer, 8), 0);
  EXPECT_EQ(AGS_EditorSaveGame(nullptr, -5), 0);
  AGS_EditorLoadGame(buffer, 8);
  EXPECT_STREQ(buffer, "keep");
}

TEST_F(ShellTest, EngineVersionGate) {
  engine.version = 11;
  AGS_EngineStartup(&engine);
  EXPECT_EQ(aborts(), std::vector<std::string>{"AGS Engine Interface v12 needed, found: v11"});
  EXPECT_EQ(engine.calls.size(), 1u);

  engine.clear_calls();
  engine.version = 12;
  AGS_EngineStartup(&engine);
  EXPECT_TRUE(aborts().empty());
  EXPECT_EQ(engine.calls_of("RegisterScriptFunction").size(), 16u);
}

TEST_F(ShellTest, NullEngineDoesNothing) {
  AGS_EngineStartup(nullptr);
  EXPECT_EQ(host_links.engine_interface, nullptr);
  EXPECT_EQ(AGS_EngineOnEvent(4, 0), 0);  // no engine: the tick draws nothing and nothing breaks
}

TEST_F(ShellTest, SuccessfulStartupCallOrder) {
  AGS_EngineStartup(&engine);
  ASSERT_EQ(engine.calls.size(), 1u + 119u + 1u + 16u);
  EXPECT_EQ(engine.calls[0].text, "PlaySound");
  for (int i = 0; i < ENGINE_FUNCTION_COUNT; ++i) {
    EXPECT_EQ(engine.calls[1 + i].method, "GetScriptFunctionAddress");
    EXPECT_EQ(engine.calls[1 + i].text, engine_function_names[i]);
    EXPECT_NE(engine_functions.address[i], nullptr);
  }
  EXPECT_EQ(engine.calls[120].method, "RequestEventHook");
  EXPECT_EQ(engine.calls[120].args, std::vector<int64_t>{AGSE_POSTSCREENDRAW});
  for (int i = 0; i < SCRIPT_FUNCTION_COUNT; ++i) {
    const auto &call = engine.calls[121 + i];
    EXPECT_EQ(call.method, "RegisterScriptFunction");
    EXPECT_EQ(call.text, script_function_table[i].name);
    EXPECT_EQ(call.args[0], reinterpret_cast<intptr_t>(script_function_table[i].handler));
  }
  EXPECT_EQ(engine_functions.address[PLAY_SOUND_INDEX], RecordingEngine::function_address("PlaySound"));
}

TEST_F(ShellTest, MissingFunctionsAreListedInLookupOrder) {
  engine.settings.missing_functions = {"TintScreen", "CDAudio"};
  AGS_EngineStartup(&engine);
  EXPECT_EQ(aborts(), std::vector<std::string>{"Missing functions: CDAudio, TintScreen"});
  EXPECT_TRUE(engine.calls_of("RequestEventHook").empty());
  EXPECT_TRUE(engine.calls_of("RegisterScriptFunction").empty());
  // Every name is still looked up and every entry written.
  EXPECT_EQ(engine.calls_of("GetScriptFunctionAddress").size(), 120u);
  EXPECT_NE(engine_functions.address[ENGINE_FUNCTION_COUNT - 2], nullptr);
  EXPECT_EQ(engine_functions.address[ENGINE_FUNCTION_COUNT - 1], nullptr);
}

TEST_F(ShellTest, OneMissingFunction) {
  engine.settings.missing_functions = {"FadeIn"};
  AGS_EngineStartup(&engine);
  EXPECT_EQ(aborts(), std::vector<std::string>{"Missing functions: FadeIn"});
}

TEST_F(ShellTest, MissingPlaySoundRunsBothTextsTogether) {
  engine.settings.missing_functions = {"PlaySound", "StopMoving"};
  AGS_EngineStartup(&engine);
  EXPECT_EQ(aborts(),
            std::vector<std::string>{"PlaySound-address not found!Missing functions: StopMoving, PlaySound"});
}

TEST_F(ShellTest, ErrorThrownDuringStartupIsReportedWithItsClassName) {
  engine.settings.throw_on_lookup = true;
  AGS_EngineStartup(&engine);
  EXPECT_EQ(aborts(), std::vector<std::string>{"std::runtime_error: script function table is locked"});
  EXPECT_TRUE(engine.calls_of("RegisterScriptFunction").empty());
}

TEST_F(ShellTest, PostScreenDrawBitRunsTheTick) {
  AGS_EngineStartup(&engine);
  SetCredit(1, 1, "x", 0, 0, 0);
  SequenceSettings(1, 50, -100, 0, 0, 0);
  RunCreditSequence(1);
  for (int event : {4, 8, 12, 1}) {
    engine.clear_calls();
    EXPECT_EQ(AGS_EngineOnEvent(event, 123), 0);
    EXPECT_EQ(engine.calls_of("DrawText").size(), (event & 4) ? 1u : 0u) << "event " << event;
  }
}

TEST_F(ShellTest, ScriptHeaderIsExactlySixteenCrLfLines) {
  const std::string header = script_header;
  ASSERT_GE(header.size(), 2u);
  EXPECT_EQ(header.substr(header.size() - 2), "\r\n");
  std::vector<std::string> lines;
  for (size_t start = 0; start < header.size();) {
    const size_t end = header.find("\r\n", start);
    ASSERT_NE(end, std::string::npos);
    lines.push_back(header.substr(start, end - start));
    start = end + 2;
  }
  ASSERT_EQ(lines.size(), 16u);
  EXPECT_EQ(lines[0], "import void RunCreditSequence (int sequence);");
  EXPECT_EQ(lines[1],
            "import void SetCredit (int sequence, int line, string credit, int x_pos, int font, int colour);");
  EXPECT_EQ(lines[2], "import string GetCredit (int sequence, int line);");
  EXPECT_EQ(lines[4],
            "import void SequenceSettings (int sequence, int startpoint, int endpoint, int speed, int automatic, "
            "int endwait);");
  EXPECT_EQ(lines[6], "import void PauseScrolling ();");
  EXPECT_EQ(lines[13],
            "import void ShowStaticCredit (int sequence, int id, int time, int style, int style_settings1, "
            "int style_settings2);");
  EXPECT_EQ(lines[15], "import int GetCurrentStaticCredit (int sequence);");
  EXPECT_EQ(header.find('\n'), header.find("\r\n") + 1) << "no bare line feeds";
  // The table lists the same functions in the same order.
  for (int i = 0; i < SCRIPT_FUNCTION_COUNT; ++i) {
    const std::string name = script_function_table[i].name;
    EXPECT_NE(lines[i].find(" " + name + " ("), std::string::npos) << name;
    EXPECT_NE(script_function_table[i].handler, nullptr);
  }
}

TEST_F(ShellTest, EditorStartupRegistersHeaderAndShutdownUnregistersItOnce) {
  RecordingEditor editor(1);
  EXPECT_EQ(AGS_EditorStartup(&editor), 0);
  ASSERT_EQ(editor.registered_headers.size(), 1u);
  EXPECT_EQ(editor.registered_headers[0], script_header);
  AGS_EditorShutdown();
  AGS_EditorShutdown();
  ASSERT_EQ(editor.calls.size(), 2u);
  EXPECT_EQ(editor.calls[1].method, "UnregisterScriptHeader");
  EXPECT_EQ(editor.registered_headers[1], script_header);
  EXPECT_EQ(host_links.editor_interface, nullptr);
}

TEST_F(ShellTest, EditorShutdownWithoutStartupDoesNothing) {
  AGS_EditorShutdown();
  EXPECT_EQ(host_links.editor_interface, nullptr);
}

TEST_F(ShellTest, OldEditorGetsAnErrorBoxAndMinusOne) {
  RecordingEditor editor(0);
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(AGS_EditorStartup(&editor), -1);
  const std::string shown = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(shown, "agsRollwick 2.0 (by Vornhal Software: QLM): AGS Editor Interface v1 needed, found: v0\n");
  ASSERT_EQ(editor.calls.size(), 1u);
  EXPECT_EQ(editor.calls[0].method, "GetWindowHandle");
  // The failed start-up still keeps the editor, so shutdown unregisters.
  AGS_EditorShutdown();
  EXPECT_EQ(editor.calls.back().method, "UnregisterScriptHeader");
  EXPECT_EQ(AGS_EditorStartup(nullptr), -1);
}

TEST_F(ShellTest, AboutBoxShowsTheVersion) {
  ::testing::internal::CaptureStderr();
  AGS_EditorProperties(nullptr);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "agsRollwick 2.0 (by Vornhal Software: QLM): agsRollwick 2.0 - 2.0.0.28\n");
}
