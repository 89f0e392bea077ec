// Credits scripts: what parses, the exact errors for what does not, what a
// run does with the engine's meaning, and the AGS code emitted for them.
#include <gtest/gtest.h>

#include "credits_script.h"
#include "emit_ags.h"
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
    if (call.name == "GetCredit") return reinterpret_cast<intptr_t>("stored");
    if (call.name.rfind("Is", 0) == 0) return frames >= finish_after ? 1 : 0;
    return 0;
  }
  void show_frames(int64_t count) override {
    frames += count;
    log.push_back("wait " + std::to_string(count));
  }
  void warn(int line, const std::string &message) override { log.push_back(std::to_string(line) + ": " + message); }

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
            "roll.credits:1:1: which function plays the credits? Name one with --function (a, b)");
  EXPECT_EQ(run_error(""), "roll.credits:1:1: the script has no statements to run");
}

TEST(CreditsScript, ErrorsNameFileLineColumnAndWhatWasExpected) {
  EXPECT_EQ(error_of("RunCreditSequence(1)\nWait(1);"), "roll.credits:2:1: expected ';', found 'Wait'");
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
}

TEST(CreditsScript, NestingAndRunawaysAreErrorsNotCrashes) {
  std::string deep;
  for (int i = 0; i < 30000; ++i) deep += "while (IsSequenceFinished(1) == 0) ";
  deep += "Wait(1);";
  EXPECT_EQ(error_of(deep), "roll.credits:1:6957: nesting deeper than 200 levels; split the script up");
  EXPECT_EQ(error_of("int x = " + std::string(300, '(') + "1" + std::string(300, ')') + ";").substr(0, 40),
            "roll.credits:1:209: nesting deeper than ");
  EXPECT_EQ(run_error("Wait(-1);"), "roll.credits:1:1: Wait(-1) waits for ever in the engine: the game would hang here");
  EXPECT_EQ(run_error("function f() { f(); }"),
            "roll.credits:1:16: functions call each other more than 200 deep; in the game this would overflow its stack");
  EXPECT_EQ(run_error("int i;\nwhile (i >= 0) { i = 1; }"),
            "roll.credits:2:1: the loop has run 1000000 times without a Wait; in the game it would hang");
  EXPECT_EQ(run_error("int i;\ni = 1 / (2 - 2);"), "roll.credits:2:7: division by zero");
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
