// rollwick-preview as a user runs it: exit codes, messages, what is written
// and what is not.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

#include "run_program.h"

namespace {

std::string folder() {
  static const std::string made = new_scratch_folder("command");
  return made;
}

std::string read_all(const std::string &path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

std::string write_script(const std::string &name, const std::string &text) {
  const std::string path = folder() + "/" + name;
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

// Runs the previewer with `arguments` (words without spaces) and `input` on its standard input.
Outcome preview(const std::string &arguments, const std::string &input = "") {
  std::vector<std::string> argv = words(arguments);
  argv.insert(argv.begin(), PREVIEW_PATH);
  return run_program(argv, input, folder());
}

// The same with each argument as it is.
Outcome preview_with(std::vector<std::string> argv, const std::string &output = "") {
  argv.insert(argv.begin(), PREVIEW_PATH);
  return run_program(argv, "", folder(), output);
}

bool exists(const std::string &path) { return access(path.c_str(), F_OK) == 0; }

const char roll[] =
    "SetCredit(1, 1, \"Ada\", 0, 0, 15);\n"
    "SequenceSettings(1, 20, 0, 0, 0, 0);\n"
    "RunCreditSequence(1);\n"
    "while (IsSequenceFinished(1) == 0) Wait(1);\n";

}  // namespace

TEST(Command, UsageErrorsAreOneLineAndExitTwo) {
  const std::string script = write_script("roll.credits", roll);
  for (const std::string &arguments : {script + " --max-frames 0", script + " --frame 2 -o " + folder() + "/x.gif",
                                       script + " -o " + folder() + "/x.bmp", script + " --bogus",
                                       script + " --room 1", script + " --no-room"}) {
    const Outcome outcome = preview(arguments);
    EXPECT_EQ(outcome.status, 2) << arguments;
    EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
    EXPECT_NE(outcome.err.find("(see --help)"), std::string::npos) << outcome.err;
  }
  EXPECT_FALSE(exists(folder() + "/x.gif"));
  const Outcome version = preview("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("rollwick-preview ", 0), 0u);
}

TEST(Command, NothingToShowIsAnErrorAndWritesNothing) {
  const std::string gif = folder() + "/none.gif";
  for (const std::string &script : {write_script("empty.credits", ""), write_script("no-wait.credits", "PauseScrolling();"),
                                    folder()}) {
    const Outcome outcome = preview(script + " -o " + gif);
    EXPECT_EQ(outcome.status, 1) << script << ": " << outcome.err;
    EXPECT_FALSE(exists(gif));
  }
  // A missing output folder is found before rendering.
  const Outcome missing = preview(write_script("roll.credits", roll) + " -o " + folder() + "/no/such/x.gif");
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("there is no folder " + folder() + "/no/such"), std::string::npos) << missing.err;
  EXPECT_EQ(missing.out, "");
}

TEST(Command, ReadsStandardInputAndCutsLongTextsInMessages) {
  const Outcome outcome = preview("- -o " + folder() + "/stdin.gif",
                                  "SetCredit(1, 1, \"" + std::string(1000000, 'W') + "\", 0, 0, 15);\n" + roll);
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_LT(outcome.err.size(), 2000u) << "a long text is not echoed whole";
  EXPECT_NE(outcome.err.find("(standard input):1: warning:"), std::string::npos) << outcome.err;
  EXPECT_TRUE(exists(folder() + "/stdin.gif"));
}

TEST(Command, TheLongestWaitMakesASmallGif) {
  const std::string gif = folder() + "/long.gif";
  const Outcome outcome = preview(write_script("long.credits", "SetCredit(1, 1, \"Ada\", 0, 0, 15);\n"
                                                               "SequenceSettings(1, 20, 0, 0, 0, 0);\n"
                                                               "RunCreditSequence(1);\nWait(10000000);\n") +
                                  " -o " + gif);
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_NE(outcome.out.find("32767 frames"), std::string::npos) << outcome.out;
  struct stat info {};
  ASSERT_EQ(stat(gif.c_str(), &info), 0);
  EXPECT_LT(info.st_size, 1000000);
}

TEST(Command, AWaitThatNeverEndsIsAnErrorUnlessFramesAreCapped) {
  const std::string gif = folder() + "/never.gif";
  const std::string never = write_script("never.credits", "SetCredit(1, 1, \"Ada\", 0, 0, 15);\n"
                                                          "while (IsSequenceFinished(1) == 0) Wait(1);\n");
  Outcome outcome = preview(never + " -o " + gif);
  EXPECT_EQ(outcome.status, 1);
  EXPECT_NE(outcome.err.find("never.credits:2:1: IsSequenceFinished(1) will never answer 1: sequence 1 is not playing"),
            std::string::npos) << outcome.err;
  EXPECT_FALSE(exists(gif));
  const std::string still = write_script("still.credits", "SetCredit(1, 1, \"Ada\", 0, 0, 15);\n"
                                                          "SequenceSettings(1, 0, 0, -1, 1, 0);\nRunCreditSequence(1);\n"
                                                          "while (IsSequenceFinished(1) == 0) Wait(1);\n");
  outcome = preview(still + " -o " + gif);
  EXPECT_NE(outcome.err.find("still.credits:4:1: IsSequenceFinished(1) will never answer 1: sequence 1 has a negative "
                             "speed"), std::string::npos) << outcome.err;
  // Asked for: the first frames, and the reason it stopped.
  outcome = preview(still + " --max-frames 30 -o " + gif);
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_NE(outcome.err.find("stopped at --max-frames 30, before the credits ended"), std::string::npos);
  EXPECT_NE(outcome.out.find("30 frames"), std::string::npos);
  // Past the built-in cap without a word from --max-frames: an error that says why.
  outcome = preview(write_script("long.credits", "Wait(32767); Wait(32767); Wait(32767); Wait(32767);\n") + " -o " + gif);
  EXPECT_EQ(outcome.status, 1);
  EXPECT_NE(outcome.err.find("did not end within 100000 frames"), std::string::npos) << outcome.err;
}

TEST(Command, OneRenderForEveryOutputAndFramesReplacedWhole) {
  const std::string script = write_script("roll.credits", roll);
  const std::string frames = folder() + "/frames";
  mkdir(frames.c_str(), 0755);
  std::ofstream(frames + "/frame-09999.png") << "an earlier render's";
  const Outcome outcome = preview(script + " -q -o " + folder() + "/a.gif -o " + folder() + "/b.gif --frames " + frames);
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(outcome.out, "") << "-q prints only problems";
  EXPECT_EQ(read_all(folder() + "/a.gif"), read_all(folder() + "/b.gif"));
  EXPECT_FALSE(exists(frames + "/frame-09999.png"));
  EXPECT_TRUE(exists(frames + "/frame-00000.png"));
  // A render that fails leaves the folder as it was.
  const Outcome failed = preview(write_script("bad.credits", "Wait(2);\nWait(-1);\n") + " --frames " + frames);
  EXPECT_EQ(failed.status, 1);
  EXPECT_TRUE(exists(frames + "/frame-00000.png"));
  // Standard output that cannot be written is an error.
  EXPECT_NE(preview_with({script, "--emit-ags"}, "/dev/full").status, 0);
}

// Each output says where it went; a video says when no sound played; standard
// input holding a game script is read as strictly as a .asc file.
TEST(Command, SaysWhatItWroteAndReadsAGameScriptAsTheCompilerWould) {
  const std::string script = write_script("said.credits", roll);
  Outcome outcome = preview(script + " --frame 2 -o " + folder() + "/two.png --sheet " + folder() + "/sheet.png --frames " +
                            folder() + "/said-frames --depth 8");
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_NE(outcome.out.find(folder() + "/two.png: frame 2\n"), std::string::npos) << outcome.out;
  EXPECT_NE(outcome.out.find(folder() + "/sheet.png: a contact sheet of "), std::string::npos) << outcome.out;
  EXPECT_NE(outcome.out.find(folder() + "/said-frames/: "), std::string::npos) << outcome.out;
  outcome = preview(write_script("grey.credits", "SetCredit(1, 1, \"Ada\", 0, 0, 300);\nWait(1);\n") + " --depth 8 -o " +
                    folder() + "/grey.gif");
  EXPECT_NE(outcome.err.find("outside the colour numbers of an 8-bit game"), std::string::npos) << outcome.err;
  outcome = preview(script + " -o " + folder() + "/quiet.mp4");
  EXPECT_NE(outcome.out.find(", silent"), std::string::npos) << outcome.out;
  outcome = preview("- -o " + folder() + "/stdin.gif",
                    "function play_credits() {\n  SetCredit(1, 1, \"Ada\", 0, 0, 15);\n  Wait(1);\n}\n");
  EXPECT_EQ(outcome.status, 1);
  EXPECT_NE(outcome.err.find("(standard input):2:19: cannot convert 'const string' to 'string'"), std::string::npos)
      << outcome.err;
}

// Messages name no option; the command line adds its own words for what to do.
TEST(Command, HintsAreTheCommandLinesOwnWords) {
  Outcome outcome = preview(write_script("hint.credits", "SetCreditImage(1, 1, 0, 7, -1);\nWait(1);\n") + " -o " +
                            folder() + "/hint.gif");
  EXPECT_NE(outcome.err.find("sprite slot 7 has no file; it shows as a 1x1 transparent sprite (give one with --sprite "
                             "7=FILE.png)"), std::string::npos) << outcome.err;
  outcome = preview(write_script("two.asc", "function a() {\n  SetCredit(1, 1, \"x\", 0, 0, 15);\n}\n"
                                            "function b() {\n  SetCredit(1, 1, \"x\", 0, 0, 15);\n}\n") + " -o " +
                    folder() + "/two.gif");
  EXPECT_NE(outcome.err.find("which function plays the credits? (a, b) (name the function that plays the credits with "
                             "--function)"), std::string::npos) << outcome.err;
}

TEST(Command, GameFilesAreNamedWithWhatIsWrong) {
  const std::string game = folder() + "/game";
  mkdir(game.c_str(), 0755);
  std::ofstream(game + "/Game.agf")
      << "<?xml version=\"1.0\"?><AGSEditorDocument VersionIndex=\"3060312\"><Game><Settings>"
         "<CustomResolution>320,200</CustomResolution><ColorDepth>TrueColor</ColorDepth><GameFPS>50</GameFPS>"
         "</Settings><Fonts><Font><ID>0</ID><SourceFilename>x.wfn</SourceFilename></Font>"
         "<Font><ID>3</ID><SourceFilename>serif.ttf</SourceFilename><PointSize>12</PointSize></Font></Fonts>"
         "</Game></AGSEditorDocument>";
  const std::string script = write_script("fonts.credits", "SetCredit(1, 1, \"Ada\", 0, 3, 70000);\n"
                                                           "SetCreditImage(1, 2, 0, 1, -1);\n"
                                                           "SetCredit(1, 3, \"Bo\", 0, -1, 15);\n"
                                                           "SequenceSettings(1, 0, 0, 0, 1, 0);\n"
                                                           "RunCreditSequence(1);\n"
                                                           "while (IsSequenceFinished(1) == 0) Wait(1);\n");
  const Outcome outcome = preview(script + " -o " + folder() + "/g.gif --game " + game + "/Game.agf");
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_NE(outcome.err.find("fonts.credits:1: warning: SetCredit: font 3: its file agsfnt3.ttf is not in " + game),
            std::string::npos) << outcome.err;
  EXPECT_NE(outcome.err.find("fonts.credits:1: warning: SetCredit: colour 70000 is outside the colour numbers of a "
                             "32-bit game (0 to 65535)"), std::string::npos) << outcome.err;
  EXPECT_NE(outcome.err.find("sprite slot 1 cannot be drawn: the game's sprite file " + game + "/acsprset.spr is missing"),
            std::string::npos) << outcome.err;
  EXPECT_NE(outcome.err.find("fonts.credits:3: warning: SetCredit: font -1 is not a font number"), std::string::npos);
  EXPECT_NE(outcome.err.find("problems the script does not meet: font 0: its file agsfnt0.wfn is not in"),
            std::string::npos) << outcome.err;
  EXPECT_NE(outcome.out.find("at 50 frames a second"), std::string::npos) << "the game's speed";

  mkdir((game + "/sub").c_str(), 0755);
  mkdir((game + "/sub/Game.agf").c_str(), 0755);
  EXPECT_NE(preview(script + " --game " + game + "/sub").err.find(game + "/sub/Game.agf is a folder"), std::string::npos);
  EXPECT_NE(preview(script + " --font 0=" + folder() + "/none.ttf").err.find("--font 0: " + folder() + "/none.ttf: no such file"),
            std::string::npos);
  EXPECT_EQ(preview(script + " --font 0=" + folder() + "/none.ttf:0").status, 2);
}

TEST(Command, TheSummaryNamesTheRoomUnderTheCredits) {
  const std::string reference = SOURCE_DIR "/tests/engine-reference/A12-room-larger-480x300-in-320x200x16";
  const std::string script = reference + "/credits.credits";
  const std::string game = " --game " + reference + "/game --max-frames 3 -o " + folder() + "/room.gif";
  const Outcome room = preview(script + game);
  EXPECT_EQ(room.status, 0) << room.err;
  EXPECT_NE(room.out.find("under the credits: room 1 (480x300), seen from (160, 100)"), std::string::npos) << room.out;
  const Outcome black = preview(script + game + " --no-room");
  EXPECT_NE(black.out.find("under the credits: black (no room)"), std::string::npos) << black.out;
  const Outcome other = preview(script + game + " --room 7");
  EXPECT_NE(other.err.find("warning: the game's room 7 has no file: " + reference + "/game/room7.crm is missing"),
            std::string::npos) << other.err;
  // The game alone: its own scripts, of which this case keeps none.
  const Outcome own = preview("--game " + reference + "/game");
  EXPECT_EQ(own.status, 1);
  EXPECT_NE(own.err.find("no script of the game calls the plug-in"), std::string::npos) << own.err;
}

TEST(Command, ASheetFittedToAClipEndsWithIt) {
  std::string sheet = "# Fitted\n\n## Everyone\n";
  for (int i = 1; i <= 30; ++i) sheet += "Role " + std::to_string(i) + ": Person " + std::to_string(i) + "\n";
  const std::string path = write_script("fitted.md", sheet);
  // 75 seconds of silence: 8 kHz, mono, 16 bits.
  const uint32_t samples = 75 * 8000;
  std::string wav = "RIFF";
  const auto put = [&wav](uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) wav += static_cast<char>(value >> (8 * i));
  };
  put(36 + samples * 2, 4);
  wav += "WAVEfmt ";
  for (const auto &field : std::vector<std::pair<uint32_t, int>>{{16, 4}, {1, 2}, {1, 2}, {8000, 4}, {16000, 4}, {2, 2}, {16, 2}}) {
    put(field.first, field.second);
  }
  wav += "data";
  put(samples * 2, 4);
  wav += std::string(samples * 2, '\0');
  const std::string clip = write_script("music.wav", wav);
  const Outcome fitted = preview(path + " --fit-to " + clip + " -o " + folder() + "/fitted.gif");
  EXPECT_EQ(fitted.status, 0) << fitted.err;
  EXPECT_NE(fitted.out.find("fitted to 75.00 s (3000 frames at 40 a second): speed "), std::string::npos) << fitted.out;
  EXPECT_NE(fitted.out.find("; the credits last 3000 frames"), std::string::npos) << fitted.out;
  EXPECT_NE(fitted.out.find("3000 frames (75.00 s"), std::string::npos) << fitted.out;
  const Outcome code = preview(path + " --duration 1:15 --emit-ags --function roll");
  EXPECT_NE(code.out.find("// fitted to 75.00 s (3000 frames at 40 a second)"), std::string::npos) << code.out;
  EXPECT_NE(code.out.find("function roll() {"), std::string::npos) << code.out;
  EXPECT_EQ(preview(path + " --duration 0:01").status, 1);
  EXPECT_EQ(preview(write_script("not-a-sheet.credits", roll) + " --duration 1:15").status, 2);
}

TEST(Command, LettersAFontLacksAreNamedOnceWithWhatTheGameDraws) {
  const std::string game = std::string(SOURCE_DIR) + "/tests/engine-reference/A9-utf8-accents-320x200x32";
  const Outcome outcome = preview(game + "/credits.credits --game " + game + "/game -o " + folder() + "/utf8.gif");
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_NE(outcome.err.find(":9: warning: SetCredit: font 0 has no letter U+6F22 (\xE6\xBC\xA2): the game draws the "
                             "font's missing-letter glyph in its place"), std::string::npos) << outcome.err;
  EXPECT_NE(outcome.err.find(":11: warning: SetCredit: font 1 has no letter U+00EB (\xC3\xAB): the game draws nothing"),
            std::string::npos);
  const auto count = [&](const std::string &text) {
    size_t n = 0;
    for (size_t at = outcome.err.find(text); at != std::string::npos; at = outcome.err.find(text, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count("has no letter U+6F22"), 2u) << "once a font and letter: font 0 and font 1";
}
