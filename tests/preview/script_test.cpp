// Credits scripts: what parses, the exact errors for what does not, and the
// AGS code emitted for them.
#include <gtest/gtest.h>

#include "credits_script.h"
#include "emit_ags.h"

using namespace rollwick_preview;

namespace {

const char header[] =
    "import void RunCreditSequence (int sequence);\r\n"
    "import void SetCredit (int sequence, int line, string credit, int x_pos, int font, int colour);\r\n"
    "import int IsSequenceFinished (int sequence);\r\n"
    "import void PauseScrolling ();\r\n"
    "import int IsStaticSequenceFinished (int sequence);\r\n";

Script parse(const std::string &source) { return parse_credits_script("roll.credits", source, parse_script_header(header)); }

std::string error_of(const std::string &source) {
  try {
    parse(source);
  } catch (const ScriptError &error) {
    return error.what();
  }
  return "(no error)";
}

}  // namespace

TEST(ScriptHeader, GivesNamesResultsAndParameterTypes) {
  const auto functions = parse_script_header(header);
  ASSERT_EQ(functions.size(), 5u);
  const FunctionSignature &set_credit = functions.at("SetCredit");
  EXPECT_EQ(set_credit.result, "void");
  ASSERT_EQ(set_credit.parameters.size(), 6u);
  EXPECT_EQ(set_credit.parameters[2], ValueType::text);
  EXPECT_EQ(set_credit.parameter_names[5], "colour");
  EXPECT_TRUE(functions.at("PauseScrolling").parameters.empty());
  EXPECT_EQ(functions.at("IsSequenceFinished").result, "int");
}

TEST(CreditsScript, CallsWaitsLoopsAndComments) {
  const Script script = parse(
      "// a roll\n"
      "SetCredit(1, 2, \"Director<.>Ada\", -1, 0, 65535); /* centred */\n"
      "RunCreditSequence(1);\n"
      "Wait(3);\n"
      "PauseScrolling();\n"
      "while (IsSequenceFinished(1) == 0) Wait(1);\n"
      "while (!IsStaticSequenceFinished(2)) { Wait(2); PauseScrolling(); }\n");
  ASSERT_EQ(script.statements.size(), 6u);
  const Call &set = script.statements[0].call;
  EXPECT_EQ(set.name, "SetCredit");
  EXPECT_EQ(set.arguments[2].text, "Director<.>Ada");
  EXPECT_EQ(set.arguments[3].number, -1);
  EXPECT_EQ(set.arguments[5].number, 65535);
  EXPECT_EQ(script.statements[2].kind, Statement::Kind::wait);
  EXPECT_EQ(script.statements[2].frames, 3);
  EXPECT_EQ(script.statements[4].kind, Statement::Kind::loop);
  EXPECT_EQ(script.statements[4].call.name, "IsSequenceFinished");
  EXPECT_EQ(script.statements[4].line, 6);
  ASSERT_EQ(script.statements[5].body.size(), 2u);
  EXPECT_EQ(script.statements[5].call.name, "IsStaticSequenceFinished");
}

TEST(CreditsScript, StringEscapes) {
  const Script script = parse("SetCredit(1, 1, \"say \\\"hi\\\" \\\\ \\t\\[x\", 0, 0, 0);");
  EXPECT_EQ(script.statements[0].call.arguments[2].text, "say \"hi\" \\ \t\\[x");
}

TEST(CreditsScript, ErrorsNameFileLineColumnAndWhatWasExpected) {
  EXPECT_EQ(error_of("RunCreditSequence(1)\nWait(1);"), "roll.credits:2:1: expected ';', found 'Wait'");
  EXPECT_EQ(error_of("SetCredit(1, 1, 5, 0, 0, 0);"),
            "roll.credits:1:17: expected a string for 'credit' of SetCredit, found the number 5");
  EXPECT_EQ(error_of("SetCredit(1, 1, \"x\");"), "roll.credits:1:1: expected 6 arguments for SetCredit, found 3");
  EXPECT_EQ(error_of("  RunCredits(1);"),
            "roll.credits:1:3: expected a known function, found 'RunCredits' (known: Wait, IsSequenceFinished, "
            "IsStaticSequenceFinished, PauseScrolling, RunCreditSequence, SetCredit)");
  EXPECT_EQ(error_of("SetCredit(1, 1, \"open, 0, 0, 0);"), "roll.credits:1:17: expected '\"' to close the string opened here");
  EXPECT_EQ(error_of("Wait(1); /* never closed"), "roll.credits:1:10: expected '*/' to close the comment opened here");
  EXPECT_EQ(error_of("Wait(2147483648);"), "roll.credits:1:6: expected a number from -2147483648 to 2147483647, found the number 2147483648");
  EXPECT_EQ(error_of("while (IsSequenceFinished(1) == 1) Wait(1);"), "roll.credits:1:33: expected 0 after '==', found the number 1");
  EXPECT_EQ(error_of("while (IsSequenceFinished(1) == 0) PauseScrolling();"),
            "roll.credits:1:1: expected the loop to call Wait with 1 or more frames, or it would never let a frame pass");
  EXPECT_EQ(error_of("while (PauseScrolling() == 0) Wait(1);"),
            "roll.credits:1:8: expected a function that returns int in the loop condition, found PauseScrolling");
  EXPECT_EQ(error_of("while (Wait(1) == 0) Wait(1);"),
            "roll.credits:1:8: expected a function that returns int in the loop condition, found Wait");
  EXPECT_EQ(error_of("Wait(1) @"), "roll.credits:1:9: expected a function call, not the character '@'");
  EXPECT_EQ(error_of("SetCredit(1, 1, \"\\q\", 0, 0, 0);"),
            "roll.credits:1:18: expected an escape (\\\" \\\\ \\' \\n \\r \\t \\[), not \\q");
  EXPECT_EQ(error_of("while (IsSequenceFinished(1) == 0) { Wait(1);"),
            "roll.credits:1:46: expected '}' to close the loop, found the end of the file");
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
}
