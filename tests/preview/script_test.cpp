// Credits scripts: what parses, the exact errors for what does not, what a
// run does with the engine's meaning, and the AGS code emitted for them.
#include <gtest/gtest.h>

#include <chrono>

#include "credits_script.h"
#include "emit_ags.h"
#include "script_encoding.h"
#include "script_interpreter.h"

using namespace rollwick_preview;

namespace {

const char header[] =
    "import void RunCreditSequence (int sequence);\r\n"
    "import void SetCredit (int sequence, int line, string credit, int x_pos, int font, int colour);\r\n"
    "import string GetCredit (int sequence, int line);\r\n"
    "import int IsSequenceFinished (int sequence);\r\n"
    "import void PauseScrolling ();\r\n"
    "import int IsStaticSequenceFinished (int sequence);\r\n";

const std::map<std::string, FunctionSignature> &functions() {
  static const auto parsed = parse_script_header(header);
  return parsed;
}

Script parse(const std::string &source) { return parse_credits_script("roll.credits", source, functions()); }


// The message of the ScriptError that `action` raises.
template <typename Action>
std::string error_from(Action action) {
  try {
    action();
  } catch (const ScriptError &error) {
    return error.what();
  }
  return "(no error)";
}

std::string error_of(const std::string &source) {
  return error_from([&] { parse(source); });
}

// Records what a script does: each plug-in call with the texts it was
// given, and the frames it waits; the Is...Finished functions answer 1 after
// `finish_after` frames.
class Recorder : public ScriptEnvironment {
 public:
  intptr_t call_plugin(const Call &call, const std::vector<char *> &buffers) override {
    std::string line = call.name + "(";
    for (size_t i = 0; i < call.arguments.size(); ++i) {
      line += i ? ", " : "";
      line += buffers[i] != nullptr ? "\"" + std::string(buffers[i]) + "\"" : std::to_string(call.arguments[i].number);
    }
    log.push_back(line + ")");
    if (call.name == "GetCredit") return reinterpret_cast<intptr_t>(stored);
    if (call.name.rfind("Is", 0) == 0) return frames >= finish_after ? 1 : 0;
    return 0;
  }
  void show_frames(int64_t count) override {
    frames += count;
    log.push_back("wait " + std::to_string(count));
  }
  void warn(int line, const std::string &message) override { log.push_back(std::to_string(line) + ": " + message); }
  void set_game_speed(int fps) override { log.push_back("speed " + std::to_string(fps)); }
  void play_audio(EngineCallKind kind, int32_t number, const std::string &clip, int line) override {
    log.push_back(std::to_string(line) + ": " + (kind == EngineCallKind::music ? "music " : "sound ") +
                  (clip.empty() ? std::to_string(number) : clip));
  }
  void not_previewed(const std::string &what, int line) override {
    log.push_back(std::to_string(line) + ": not previewed " + what);
  }

  char stored[200] = "stored";  // the plug-in's text, as room for an old-style string
  std::vector<std::string> log;
  int64_t frames = 0;
  int64_t finish_after = 3;
};

std::vector<std::string> run(const std::string &source, const std::string &entry = "") {
  Recorder recorder;
  const Script script = parse(source);
  run_credits_script(script, functions(), entry_function(script, entry), recorder);
  return recorder.log;
}

std::string run_error(const std::string &source) {
  return error_from([&] { run(source); });
}

// A game's own script, read as the editor compiles it.
Script parse_game(const std::string &source, const std::vector<ScriptSource> &headers = {},
                  const std::string &entry = "") {
  ParseOptions options;
  options.game_script = true;
  options.headers = headers;
  options.entry = entry;
  options.audio_clips = {"aTheme"};
  return parse_credits_script("GlobalScript.asc", source, functions(), options);
}

std::vector<std::string> run_game(const std::string &source, const std::vector<ScriptSource> &headers = {}) {
  Recorder recorder;
  const Script script = parse_game(source, headers);
  run_credits_script(script, functions(), entry_function(script, ""), recorder);
  return recorder.log;
}

std::string game_error(const std::string &source) {
  return error_from([&] { run_game(source); });
}

}  // namespace

TEST(ScriptHeader, GivesNamesResultsAndParameterTypes) {
  ASSERT_EQ(functions().size(), 6u);
  const FunctionSignature &set_credit = functions().at("SetCredit");
  EXPECT_EQ(set_credit.result, "void");
  ASSERT_EQ(set_credit.parameters.size(), 6u);
  EXPECT_EQ(set_credit.parameters[2], ValueType::text);
  EXPECT_EQ(set_credit.parameter_names[5], "colour");
  EXPECT_TRUE(functions().at("PauseScrolling").parameters.empty());
  EXPECT_EQ(functions().at("IsSequenceFinished").result, "int");
}

TEST(CreditsScript, PlainCallsWaitsLoopsAndComments) {
  EXPECT_EQ(run("\xEF\xBB\xBF// a roll\n"
                "SetCredit(1, 2, \"Director<.>Ada\", -1, 0, 65535); /* centred */\n"
                "RunCreditSequence(1);\n"
                "Wait(3);\n"
                "while (IsSequenceFinished(1) == 0) Wait(1);\n"
                "while (!IsStaticSequenceFinished(2)) { Wait(2); PauseScrolling(); }\n"),
            (std::vector<std::string>{"SetCredit(1, 2, \"Director<.>Ada\", -1, 0, 65535)", "RunCreditSequence(1)",
                                      "wait 3", "IsSequenceFinished(1)", "IsStaticSequenceFinished(2)"}));
}

TEST(CreditsScript, GameCodeAsWrittenWithTheEnginesMeaning) {
  // Old-style strings cut at 199 bytes, StrCat and StrFormat, ints, loops,
  // functions with return values, and Wait as the engine waits.
  const std::vector<std::string> log = run(
      "string text;\n"
      "int crew = 2;\n"
      "function line_for(){ return crew * 10 + 1; }\n"
      "function play_credits() {\n"
      "  StrCopy(text, \"" + std::string(250, 'x') + "\");\n"
      "  SetCredit(1, 1, text, 0, 0, 15);\n"
      "  for (int i = 1; i <= crew; i++) {\n"
      "    StrFormat(text, \"%s %d%%\", \"Crew\", i);\n"
      "    StrCat(text, \"!\");\n"
      "    if (i == 2) SetCredit(1, line_for(), text, -(5 % 3), 0, 15); else { SetCredit(1, i + 1, text, 7 / 2, 0, 15); }\n"
      "  }\n"
      "  StrCopy(text, GetCredit(1, 1));\n"
      "  SetCredit(2, 1, text, 0, 0, 15);\n"
      "  Wait(0);\n"
      "  Wait(40000);\n"
      "  RunCreditSequence(1);\n"
      "  while (IsSequenceFinished(1) == 0 && crew > 0) { Wait(1); }\n"
      "}\n");
  const std::vector<std::string> expected = {
      "5: StrCopy: text of 250 characters; a game's old-style string holds 199: it will show '...xxxxxxxxxx'",
      "SetCredit(1, 1, \"" + std::string(199, 'x') + "\", 0, 0, 15)",
      "SetCredit(1, 2, \"Crew 1%!\", 3, 0, 15)",
      "SetCredit(1, 21, \"Crew 2%!\", -2, 0, 15)",
      "12: StrCopy(GetCredit(...)): the 32-bit Windows engine passes a plug-in's returned text to StrCopy as a "
      "null pointer (StrCopy gives \"(null)\", StrCat stops the game); StrFormat(copy, \"%s\", GetCredit(...)) "
      "works in every engine",
      "GetCredit(1, 1)",
      "SetCredit(2, 1, \"stored\", 0, 0, 15)",
      "14: Wait(0) returns at once; no frame passes",
      "15: Wait(40000) waits 32767 frames in the engine, its longest wait",
      "wait 32767",
      "RunCreditSequence(1)",
      "IsSequenceFinished(1)"};
  EXPECT_EQ(log, expected);
}

TEST(CreditsScript, TheFunctionToRun) {
  EXPECT_EQ(run("function a() { Wait(1); }\nfunction b() { Wait(2); }\n", "b"), std::vector<std::string>{"wait 2"});
  EXPECT_EQ(run("function intro() { Wait(1); }\nfunction play_credits() { intro(); Wait(2); }\n"),
            (std::vector<std::string>{"wait 1", "wait 2"}));
  EXPECT_EQ(run_error("function a() { Wait(1); }\nfunction b() { Wait(2); }\n"),
            "roll.credits:1:1: which function plays the credits? (a, b)");
  EXPECT_EQ(run_error(""), "roll.credits:1:1: the script has no statements to run");
}

TEST(CreditsScript, ErrorsNameFileLineColumnAndWhatWasExpected) {
  EXPECT_EQ(error_of("RunCreditSequence(1)\nWait(1);"),
            "roll.credits:1:1: expected ';' at the end of the statement that starts here, found 'Wait' on line 2");
  EXPECT_EQ(error_of("SetCredit(1, 1, 5, 0, 0, 0);"),
            "roll.credits:1:17: expected a string for 'credit' of SetCredit, found the number 5");
  EXPECT_EQ(error_of("SetCredit(1, 1, \"x\");"), "roll.credits:1:1: expected 6 arguments for SetCredit, found 3");
  EXPECT_EQ(error_of("  RunCredits(1);"),
            "roll.credits:1:3: expected a known function, found 'RunCredits' (known: Wait, StrCopy, StrCat, "
            "StrFormat, GetCredit, IsSequenceFinished, IsStaticSequenceFinished, PauseScrolling, RunCreditSequence, "
            "SetCredit)");
  EXPECT_EQ(error_of("SetCredit(1, 1, \"open, 0, 0, 0);"), "roll.credits:1:17: expected '\"' to close the string opened here");
  EXPECT_EQ(error_of("Wait(1); /* never closed"), "roll.credits:1:10: expected '*/' to close the comment opened here");
  EXPECT_EQ(error_of("Wait(2147483648);"), "roll.credits:1:6: expected a number from -2147483648 to 2147483647, found the number 2147483648");
  EXPECT_EQ(error_of("while (IsSequenceFinished(1) == 0) PauseScrolling();"),
            "roll.credits:1:1: expected the loop to call Wait with 1 or more frames, or it would never let a frame pass");
  EXPECT_EQ(error_of("while (PauseScrolling() == 0) Wait(1);"),
            "roll.credits:1:8: expected an int before '==', found PauseScrolling(), which returns nothing");
  EXPECT_EQ(error_of("Wait(1) @"), "roll.credits:1:9: expected a statement, not the character '@'");
  EXPECT_EQ(error_of("SetCredit(1, 1, \"\\q\", 0, 0, 0);"),
            "roll.credits:1:18: expected an escape (\\\" \\\\ \\' \\n \\r \\t \\[), not \\q");
  EXPECT_EQ(error_of("while (IsSequenceFinished(1) == 0) { Wait(1);"),
            "roll.credits:1:46: expected '}' to close the block opened at line 1, found the end of the file");
  EXPECT_EQ(error_of("int n;\nn = \"x\";"), "roll.credits:2:5: expected an int value, found a string");
  EXPECT_EQ(error_of("x = 1;"), "roll.credits:1:1: 'x' is not a declared variable");
  EXPECT_EQ(error_of("switch (1) {}"), "roll.credits:1:1: 'switch': the previewer does not run it");
  EXPECT_EQ(error_of("StrCopy(\"a\", \"b\");"),
            "roll.credits:1:9: StrCopy writes into a string variable; its first argument must be one");
  EXPECT_EQ(error_of("Wait(1) \x7f"), "roll.credits:1:9: expected a statement, not the character '\\x7f'");
  EXPECT_EQ(error_of(std::string("\xff\xfeW\0a\0i\0t\0", 10)).substr(0, 40), "roll.credits:1:1: the file is UTF-16 tex");
}

TEST(CreditsScript, NestingAndRunawaysAreErrorsNotCrashes) {
  std::string deep;
  for (int i = 0; i < 30000; ++i) deep += "while (IsSequenceFinished(1) == 0) ";
  deep += "Wait(1);";
  EXPECT_EQ(error_of(deep), "roll.credits:1:6957: nesting deeper than 200 levels; split the script up");
  EXPECT_EQ(error_of("int x = " + std::string(300, '(') + "1" + std::string(300, ')') + ";").substr(0, 40),
            "roll.credits:1:209: nesting deeper than ");
  EXPECT_EQ(run_error("Wait(-1);"), "roll.credits:1:1: Wait(-1) waits for ever in the engine: the game would hang here");
  EXPECT_EQ(run_error("function f() { f(); }").rfind("roll.credits:1:16: call stack overflow, recursive call problem?", 0),
            0u);
  EXPECT_EQ(run_error("int i;\nwhile (i >= 0) { i = 1; }"),
            "roll.credits:2:1: Script appears to be hung (a while loop ran 150001 times). The problem may be in a "
            "calling function; check the call stack.");
  EXPECT_EQ(run_error("int i;\ni = 1 / (2 - 2);"), "roll.credits:2:7: division by zero");
  // What the parser lets through, nested at run time: an error, never the previewer's own stack overflowing.
  const std::string blocks = "function f(int n) {\n" + std::string(100, '{') + "if (n > 0) f(n - 1);" +
                             std::string(100, '}') + "\n}\nfunction play_credits() { f(195); Wait(1); }\n";
  EXPECT_NE(game_error(blocks).find("nested more than 1000 deep at once"), std::string::npos);
  std::string whiles = "function play_credits() { int i = 0;\n";
  for (int i = 0; i < 150; ++i) whiles += "while (i < 1) {";
  whiles += "i++;" + std::string(150, '}') + " Wait(1); }\n";
  EXPECT_EQ(run_game(whiles).size(), 1u);
  std::string minuses = "function play_credits() { int x = ";
  for (int i = 0; i < 190; ++i) minuses += "- ";
  EXPECT_EQ(run_game(minuses + "1; Wait(1); }\n").size(), 1u);
}

// A script in the other text encoding than the game's is named, at its first line that shows it.
TEST(GameScript, AScriptInAnotherEncodingThanTheGamesIsNamed) {
  int line = 0;
  EXPECT_NE(encoding_problem("Wait(1);\n// Zo\xeb Brand\n", true, line).find("byte 0xEB"), std::string::npos);
  EXPECT_EQ(line, 2);
  EXPECT_NE(encoding_problem("\n\n// Zo\xc3\xab\n", false, line).find("the game's text encoding is ANSI"),
            std::string::npos);
  EXPECT_EQ(line, 3);
  EXPECT_EQ(encoding_problem("// Zo\xeb\n", false, line), "");  // Windows-1252 in an ANSI game
  EXPECT_EQ(encoding_problem("// Zo\xc3\xab \xe2\x82\xac\n", true, line), "");
  EXPECT_EQ(encoding_problem("// plain\n", false, line), "");
  EXPECT_NE(encoding_problem("// \xc0\xaf overlong\n", true, line), "");
}

// The credits start from a function that takes no parameters; one that takes some is named, not run half-bound.
TEST(GameScript, AnEntryThatTakesParametersIsNamed) {
  EXPECT_EQ(error_from([] { parse_game("int x;\nfunction credit(int n) {\n  Wait(n);\n}\n", {}, "credit"); }),
            "GlobalScript.asc:2:1: 'credit' takes 1 parameter; the credits start from a function that takes none (call "
            "credit from one)");
  // Chosen by the previewer rather than named, the author is told to choose.
  for (const std::string &entry : {std::string(), std::string("credit")}) {
    try {
      parse_game("function credit(int n) {\n  Wait(n);\n}\n", {}, entry);
      ADD_FAILURE() << "no error";
    } catch (const ScriptError &bad) {
      EXPECT_EQ(bad.hint == Hint::choose_function, entry.empty());
    }
  }
}

// A missing ')' or ';' is named where its expression or statement starts, not at the end of the file.
TEST(GameScript, AMissingCloserIsNamedWhereItsStatementStarts) {
  const std::string head = "bool is_even(int n) {\n  return n % 2 == 0;\n}\nfunction play_credits() {\n  int i = 0;\n"
                           "  int colour = 0;\n";
  EXPECT_EQ(game_error(head + "  while (i <= 6 {\n    i++;\n  }\n  Wait(1);\n}\n"),
            "GlobalScript.asc:7:9: expected ')' to close this '(', found '}' on line 11");
  EXPECT_EQ(game_error(head + "  while (i <= 6) {\n    if (is_even(i) colour = 7;\n    i++;\n  }\n  Wait(1);\n}\n"),
            "GlobalScript.asc:8:8: expected ')' to close this '(', found '}' on line 10");
  EXPECT_EQ(game_error(head + "  colour = 7\n  Wait(1);\n}\n"),
            "GlobalScript.asc:7:3: expected ';' at the end of the statement that starts here, found 'Wait' on line 8");
  EXPECT_EQ(game_error(head + "  SetCredit(1, 1, \"a\", 0, 0, 15;\n  Wait(1);\n}\n"),
            "GlobalScript.asc:7:12: expected ')' to close this '(', found '}' on line 9");
}

// The engine's own limits, at their bounds: what stops the game stops the preview.
TEST(CreditsScript, TheEnginesLoopCallAndStackLimits) {
  const auto nested_loops = [](int n) {
    return "function play_credits() {\n  int i = 0;\n  while (i < " + std::to_string(n) + ") {\n    int j = 0;\n"
           "    while (j < " + std::to_string(n) + ") j++;\n    i++;\n  }\n  Wait(1);\n}\n";
  };
  EXPECT_EQ(run_game(nested_loops(380)).size(), 1u);  // 144,780 jumps
  EXPECT_EQ(game_error(nested_loops(400)),
            "GlobalScript.asc:5:5: Script appears to be hung (a while loop ran 150001 times). The problem may be in a "
            "calling function; check the call stack.");
  const auto one_loop = [](int n, const std::string &head) {
    return head + " {\n  int i = 0;\n  while (i < " + std::to_string(n) + ") i++;\n  Wait(1);\n}\n";
  };
  EXPECT_EQ(run_game(one_loop(150000, "function play_credits()")).size(), 1u);
  EXPECT_NE(game_error(one_loop(150001, "function play_credits()")).find("ran 150001 times"), std::string::npos);
  EXPECT_EQ(run_game(one_loop(400000, "noloopcheck function play_credits()")).size(), 1u);
  // A frame that passes starts the count again.
  EXPECT_EQ(run_game("function play_credits() {\n  int i = 0;\n  while (i < 300000) { i++; if (i % 100000 == 0) "
                     "Wait(1); }\n}\n").size(), 3u);

  // 50 functions at once, the event function that calls play_credits among them.
  const auto depth = [](int n, const std::string &entry) {
    return "int depth(int n) {\n  if (n > 0) return depth(n - 1);\n  return 0;\n}\nfunction " + entry +
           "() {\n  depth(" + std::to_string(n) + ");\n  Wait(1);\n}\n";
  };
  EXPECT_EQ(run_game(depth(47, "play_credits")).size(), 1u);
  EXPECT_EQ(game_error(depth(48, "play_credits")).rfind("GlobalScript.asc:2:21: call stack overflow, recursive call "
                                                        "problem?", 0), 0u);
  Recorder recorder;  // an event function, which the engine starts itself: one level more
  const Script event = parse_game(depth(48, "repeatedly_execute"), {}, "repeatedly_execute");
  run_credits_script(event, functions(), "repeatedly_execute", recorder);
  EXPECT_EQ(recorder.log.size(), 1u);

  // The stack: twenty string locals at once overflow its 4,096 bytes.
  const auto strings = [](int n) {
    return "int keep(int n) {\n  string s;\n  if (n > 1) keep(n - 1);\n  return 0;\n}\nfunction play_credits() "
           "{\n  keep(" + std::to_string(n) + ");\n  Wait(1);\n}\n";
  };
  EXPECT_EQ(run_game(strings(19)).size(), 1u);
  EXPECT_EQ(game_error(strings(20)).rfind("GlobalScript.asc:2:10: stack overflow, attempted to grow from", 0), 0u);
}

// What a script's text may hold is bounded before it costs time or memory:
// macros that double at each level, files past their size, headers repeated.
TEST(GameScript, ReadingIsBoundedInTimeAndMemory) {
  const auto started = std::chrono::steady_clock::now();
  std::string doubling = "#define M0 1\n";
  for (int i = 1; i <= 40; ++i) {
    doubling += "#define M" + std::to_string(i) + " M" + std::to_string(i - 1) + "+1 M" + std::to_string(i - 1) + "+1\n";
  }
  EXPECT_NE(game_error(doubling + "function play_credits() {\n  int x = M40;\n  Wait(1);\n}\n")
                .find("more than 1000000 names, numbers and symbols"),
            std::string::npos);
  // Macros that expand to nothing, nested deep, stop as soon.
  std::string empty = "#define E0\n";
  for (int i = 1; i <= 40; ++i) {
    empty += "#define E" + std::to_string(i) + " E" + std::to_string(i - 1) + " E" + std::to_string(i - 1) + "\n";
  }
  EXPECT_NE(game_error(empty + "function play_credits() {\n  E40\n  Wait(1);\n}\n").find("names, numbers and symbols"),
            std::string::npos);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3));
  EXPECT_NE(game_error("// " + std::string(MAX_SCRIPT_BYTES, 'x')).find("more than the previewer reads (4 MiB at most)"),
            std::string::npos);
  const ScriptSource header{"big.ash", "// " + std::string(3 << 20, 'x')};
  EXPECT_NE(error_from([&] { parse_game("function play_credits() { Wait(1); }", {header, header, header}); })
                .find("more than the previewer reads (8 MiB at most)"),
            std::string::npos);
}

// Work no engine limit stops (calls that fan out without loops) ends in seconds, with its line.
TEST(CreditsScript, WorkBetweenFramesIsBounded) {
  const auto started = std::chrono::steady_clock::now();
  const std::string fan = "int f(int n) {\n  if (n == 0) return 1;\n  return f(n - 1) + f(n - 1);\n}\n"
                          "function play_credits() {\n  f(40);\n  Wait(1);\n}\n";
  EXPECT_NE(game_error(fan).find("statements without letting a frame pass"), std::string::npos);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
}

TEST(EmitAgs, OneBufferFilledBeforeEachTextCall) {
  const Script script = parse(
      "SetCredit(1, 1, \"A \\\"quoted\\\" name\", 10, 0, 15);\n"
      "RunCreditSequence(1);\n"
      "while (IsSequenceFinished(1) == 0) Wait(1);\n");
  const std::string code = emit_ags(script);
  EXPECT_NE(code.find("  string text;\n"), std::string::npos);
  EXPECT_NE(code.find("  StrCopy(text, \"A \\\"quoted\\\" name\");\n  SetCredit(1, 1, text, 10, 0, 15);\n"),
            std::string::npos);
  EXPECT_NE(code.find("  while (IsSequenceFinished(1) == 0) {\n    Wait(1);\n  }\n"), std::string::npos);
  EXPECT_EQ(code.find("function play_credits() {\n"), code.find("function"));
  EXPECT_EQ(code.substr(code.size() - 2), "}\n");
  // The warning above a long text is one comment line, whatever the text holds.
  const std::string long_text = "SetCredit(1, 1, \"" + std::string(190, 'x') + "\\nline\\ntwo\\n\", 0, 0, 15);";
  EXPECT_NO_THROW(parse(emit_ags(parse(long_text))));
  // The function and the buffer it adds take names the script does not use.
  EXPECT_NO_THROW(parse(emit_ags(parse("string play_credits;\nint text;\nSetCredit(1, 1, \"x\", 0, 0, 15);"))));
}

TEST(EmitAgs, GameCodeReadsBackAndRunsTheSame) {
  const std::string source =
      "int crew = 2;\n"
      "function play_credits() {\n"
      "  string name;\n"
      "  for (int i = 1; i <= crew; i++) {\n"
      "    StrFormat(name, \"Crew %d\", i * -1 - -3);\n"
      "    if (!(i == 2 || i > 5)) SetCredit(1, i, name, 0, 0, 15); else SetCredit(2, i, \"x\", 0, 0, 15);\n"
      "  }\n"
      "  RunCreditSequence(1);\n"
      "  while (IsSequenceFinished(1) == 0) Wait(1);\n"
      "}\n";
  const std::string code = emit_ags(parse(source));
  EXPECT_EQ(run(code), run(source)) << code;
  EXPECT_EQ(emit_ags(parse(code)), code) << "printing is stable";
}

TEST(GameScript, PreprocessorAsTheEditorRunsIt) {
  const std::vector<std::string> log = run_game(
      "#define ROLL 1\n"
      "#define TITLE \"THE END\"\n"
      "#region credits\n"
      "#ifdef ROLL\n"
      "#define LINE 2\n"
      "#else\n"
      "#define LINE 99\n"
      "#endif\n"
      "#ifndef HEADER_ONLY\n"
      "#ifver 3.6.0\n"
      "#define NEW_ENGINE 1\n"
      "#endif\n"
      "#ifnver 3.6.0\n"
      "#define NEW_ENGINE 0\n"
      "#endif\n"
      "#endif\n"
      "#endregion\n"
      "#sectionstart play_credits  // DO NOT EDIT OR REMOVE THIS LINE\n"
      "function play_credits() {\n"
      "  string text;\n"
      "  StrCopy(text, TITLE);\n"
      "  SetCredit(ROLL, LINE + NEW_ENGINE + FROM_HEADER, text, 0, 0, 15);\n"
      "#undef ROLL\n"
      "  int ROLL = 7;\n"
      "  SetCredit(ROLL, 1, text, 0, 0, 15);\n"
      "}\n"
      "#sectionend play_credits  // DO NOT EDIT OR REMOVE THIS LINE\n",
      {{"Module.ash", "#define FROM_HEADER 10\nenum Unused { eA, eB };\nimport function elsewhere(int x);\n"}});
  EXPECT_EQ(log, (std::vector<std::string>{"SetCredit(1, 13, \"THE END\", 0, 0, 15)", "SetCredit(7, 1, \"THE END\", 0, 0, 15)"}));

  const auto error = [](const std::string &source) { return error_from([&] { parse_game(source); }); };
  EXPECT_EQ(error("#else\n"), "GlobalScript.asc:1:1: #else without an #if before it");
  EXPECT_EQ(error("\n#ifdef X\nfunction f() {}\n"), "GlobalScript.asc:2:1: expected #endif for the #if of this line");
  EXPECT_EQ(error("  #pragma once\n").substr(0, 60), "GlobalScript.asc:1:3: expected a preprocessor directive (#de");
  EXPECT_EQ(error("#ifdef ROLL\n#error no roll\n#endif\n#error stop here\n"), "GlobalScript.asc:4:1: #error stop here");
}

TEST(GameScript, FunctionsWithParametersResultsAndTheEnginesTypes) {
  const std::vector<std::string> log = run_game(
      "enum Colour { eWhite = 15, eYellow, eGrey = 7 };\n"
      "int lines_written;\n"
      "function fill(string into, const string role) {  // writes into the caller's string\n"
      "  StrFormat(into, \"%s<.>\", role);\n"
      "}\n"
      "static int add_role(int line, const string role, const string name, Colour colour) {\n"
      "  string text;\n"
      "  fill(text, role);\n"
      "  StrCat(text, name);\n"
      "  SetCredit(1, line, text, 10, 0, colour);\n"
      "  lines_written += 1;\n"
      "  return line + 1;\n"
      "}\n"
      "void tick() { short s = 32767; s++; char c = 300; bool b = true; SetCredit(1, s + c, \"\", b, false, 0); }\n"
      "function play_credits() {\n"
      "  int line = add_role(1, \"Story\", \"Nell\", eYellow);\n"
      "  line = add_role(line, \"Gears\", \"Pim\", eGrey);\n"
      "  int i = 0;\n"
      "  do { i++; if (i == 2) continue; if (i > 3) break; Wait(i); } while (true);\n"
      "  SetCredit(2, lines_written, GetCredit(1, 1), 0, 0, eWhite);\n"
      "}\n"
      "function unused() { tick(); }\n");
  EXPECT_EQ(log, (std::vector<std::string>{"SetCredit(1, 1, \"Story<.>Nell\", 10, 0, 16)",
                                           "SetCredit(1, 2, \"Gears<.>Pim\", 10, 0, 7)", "wait 1", "wait 3",
                                           "GetCredit(1, 1)", "SetCredit(2, 2, \"stored\", 0, 0, 15)"}));
  // short and char keep what their sizes keep.
  EXPECT_EQ(run_game("string e;\nvoid f() { short s = 32767; s++; char c = 300; SetCredit(1, s, e, c, 0, 0); }\n"
                     "function play_credits() { f(); }\n"),
            std::vector<std::string>{"SetCredit(1, -32768, \"\", 44, 0, 0)"});
}

TEST(GameScript, WhatDoesNotRunIsSkippedAndWhatRunsIsNamedWhenRefused) {
  // A global script as authors write it: only play_credits and what it calls are read.
  const std::string around =
      "struct Pos { int x; int y; import function Set(int x, int y); };\n"
      "managed struct Item { String name; };\n"
      "import int GetCount();\n"
      "float speed = 1.5;\n"
      "Character *hero;\n"
      "String title;\n"
      "int values[10];\n"
      "function Pos::Set(int x, int y) { this.x = x; this.y = y; }\n"
      "function Walk(this Character*, int x) { this.Walk(x, 0, eBlock); }\n"
      "function on_mouse_click(MouseButton button) {\n"
      "  if (button == eMouseLeft) ProcessClick(mouse.x, mouse.y, mouse.Mode);\n"
      "  else { String s = String.Format(\"%d\", 3); Display(s); }\n"
      "}\n"
      "export speed;\n";
  EXPECT_EQ(run_game(around + "function play_credits() {\n  StartCutscene(eSkipESCOnly);\n  mouse.Visible = false;\n"
                              "  gui[0].Visible = false;\n  WaitKey(5);\n  SetGameSpeed(5000);\n"
                              "  PlayMusic(3);\n  aTheme.Play();\n  Display(\"The end\");\n}\n"),
            (std::vector<std::string>{"16: not previewed StartCutscene", "17: not previewed mouse.Visible",
                                      "18: not previewed gui.Visible", "wait 5", "speed 1000", "21: music 3",
                                      "22: music aTheme",
                                      "23: Display shows something in the game that the previewer does not draw; "
                                      "the frames here show the credits alone"}));
  EXPECT_EQ(game_error(around + "function play_credits() { on_mouse_click(eMouseLeft); }\n"),
            "GlobalScript.asc:11:29: ProcessClick(): the previewer does not run this function (it runs the plug-in's "
            "functions, Wait, the Str functions, a few engine functions and the script's own)");
  EXPECT_EQ(game_error(around + "function play_credits() { Wait(hero.x); }\n"),
            "GlobalScript.asc:15:32: 'hero' is a global of type 'Character*': the previewer does not run such variables");
  EXPECT_EQ(game_error(around + "function play_credits() { Wait(mouse.y); }\n"),
            "GlobalScript.asc:15:32: 'mouse.y': the previewer does not run new-style objects and properties");
  EXPECT_EQ(game_error(around + "function play_credits() { float f = 2.0; }\n"),
            "GlobalScript.asc:15:27: 'float' variables: the previewer does not run them");
  EXPECT_EQ(game_error(around + "function play_credits() { Walk(3); }\n"),
            "GlobalScript.asc:15:27: 'Walk' is an extender function: the previewer does not run such functions");
  EXPECT_EQ(game_error(around + "function play_credits() { Wait(GetCount()); }\n"),
            "GlobalScript.asc:15:32: 'GetCount()' is imported from another script: the previewer does not run other "
            "scripts");
  EXPECT_EQ(game_error(around + "function play_credits() { Wait(1 << 2); }\n"),
            "GlobalScript.asc:15:34: the operator '<<': the previewer does not run it");
}

TEST(GameScript, StringsAsTheEngineCompilesThem) {
  // A literal where the plug-in takes a 'string' is refused in a game script,
  // and so is a const string; a credits file lets a literal stand for one.
  EXPECT_EQ(game_error("function play_credits() { SetCredit(1, 1, \"Alpha\", 0, 0, 15); }\n"),
            "GlobalScript.asc:1:43: cannot convert 'const string' to 'string'");
  EXPECT_EQ(game_error("function f(const string s) { SetCredit(1, 1, s, 0, 0, 15); }\nfunction play_credits() { f(\"a\"); }\n"),
            "GlobalScript.asc:1:46: cannot convert 'const string' to 'string'");
  EXPECT_EQ(game_error("function f(const string s) { StrCopy(s, \"x\"); }\nfunction play_credits() { f(\"a\"); }\n"),
            "GlobalScript.asc:1:38: cannot convert 'const string' to 'string'");
  EXPECT_EQ(run("SetCredit(1, 1, \"Alpha\", 0, 0, 15);"), std::vector<std::string>{"SetCredit(1, 1, \"Alpha\", 0, 0, 15)"});

  // Writes into the plug-in's returned text reach it, each with the 32-bit engine's warning.
  Recorder recorder;
  const Script script = parse_game(
      "function play_credits() {\n"
      "  StrCat(GetCredit(1, 1), \" II\");\n"
      "  string copy;\n"
      "  StrFormat(copy, \"%s!\", GetCredit(1, 1));\n"
      "  StrCat(copy, \"" + std::string(200, 'y') + "\");\n"
      "  SetCredit(1, 2, copy, 0, 0, StrLen(copy) + StrComp(copy, \"stored II!\"));\n"
      "}\n");
  run_credits_script(script, functions(), entry_function(script, ""), recorder);
  EXPECT_STREQ(recorder.stored, "stored II");
  ASSERT_EQ(recorder.log.size(), 5u);
  EXPECT_EQ(recorder.log[0].substr(0, 36), "2: StrCat(GetCredit(...)): the 32-bi");
  EXPECT_EQ(recorder.log[3], "5: StrCat: text of 210 characters; a game's old-style string holds 199: it will show "
                             "'...yyyyyyyyyy'");
  EXPECT_EQ(recorder.log[4], "SetCredit(1, 2, \"stored II!" + std::string(189, 'y') + "\", 0, 0, 200)");
}

TEST(GameScript, TheFunctionThatPlaysTheCredits) {
  // Neither play_credits nor alone: the one no other calls that reaches the plug-in.
  const Script script = parse_game(
      "function helper(int n) { SetCredit(1, n, GetCredit(1, 1), 0, 0, 15); }\n"
      "function repeatedly_execute() {}\n"
      "function roll_end_credits() { helper(2); }\n"
      "function on_key_press(eKeyCode key) { if (key == eKeyEscape) QuitGame(0); }\n");
  EXPECT_EQ(script.entry, "roll_end_credits");
  EXPECT_TRUE(script.functions[0].read);
  EXPECT_FALSE(script.functions[1].read);
  EXPECT_FALSE(script.functions[3].read);
  EXPECT_EQ(error_from([] { parse_game("function a() { SetCredit(1, 1, GetCredit(1, 1), 0, 0, 15); }\n"
                                       "function b() { a(); }\nfunction c() { a(); }\n"); }),
            "(no error)");
  EXPECT_EQ(error_from([] {
              const Script two = parse_game("function a() { SetCredit(1, 1, GetCredit(1, 1), 0, 0, 15); }\n"
                                            "function b() { a(); }\nfunction c() { a(); }\n");
              entry_function(two, "");
            }),
            "GlobalScript.asc:1:1: which function plays the credits? (a, b, c)");
  EXPECT_EQ(parse_game("function a() {}\nfunction b() { Wait(1); }\n", {}, "b").entry, "b");
}
