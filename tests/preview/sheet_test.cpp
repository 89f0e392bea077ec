// Credits from a sheet: both formats read, laid out within the plug-in's
// limits, fitted to the music, and written out as game code that plays the
// same.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "emit_ags.h"
#include "play_flow.h"

using namespace rollwick_preview;
using Kind = SheetLine::Kind;

namespace {

std::string folder() {
  static const std::string made = [] {
    const std::string path = testing::TempDir() + "sheets-" + std::to_string(getpid());
    std::filesystem::create_directories(path);
    return path;
  }();
  return made;
}

std::string write(const std::string &name, const std::string &text) {
  const std::string path = folder() + "/" + name;
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

// Every frame folded into one number, and every text drawn.
class Watch : public FrameSink {
 public:
  explicit Watch(PreviewEngine *engine = nullptr) : engine_(engine) {}
  void frame(int64_t, const rollwick_host::Canvas &canvas) override {
    for (uint32_t pixel : canvas.pixels) fold = fold * 1099511628211ULL ^ pixel;
    frames += 1;
    if (engine_ == nullptr) return;
    for (const rollwick_host::HostCall &call : engine_->calls_of("DrawText")) texts.insert(call.text);
    engine_->clear_calls();
  }
  uint64_t fold = 14695981039346656037ULL;
  int64_t frames = 0;
  std::set<std::string> texts;

 private:
  PreviewEngine *engine_;
};

PlayRequest request_for(const std::string &path) {
  PlayRequest request;
  request.script_path = path;
  request.start_plugin = [](PluginSession &session, PreviewEngine &engine, std::string &error) {
    return session.load_fresh(PLUGIN_PATH, engine, error);
  };
  request.furnish = [](Stage &stage, const PlaySettings &, bool) { stage.engine->recording = true; };
  return request;
}

std::string said(const PlayFlow &flow) {
  std::string all;
  for (const PlayMessage &message : flow.messages()) {
    all += message.file + ":" + std::to_string(message.line) + ": " + message.text + "\n";
  }
  return all;
}

// A sheet of `count` names under one section, as Markdown.
std::string names(int count) {
  std::string text = "speed: 0\n\n# Long\n\n## Everyone\n";
  for (int i = 1; i <= count; ++i) text += "Person " + std::to_string(i) + "\n";
  return text;
}

}  // namespace

TEST(Sheet, ReadsACsvWithQuotesSeveralNamesImagesAndSettings) {
  const Sheet sheet = read_sheet("c.csv",
                                 "\xEF\xBB\xBF# title: The Keeper\r\n"
                                 "# role colour: 11\r\n"
                                 "# a comment\r\n"
                                 "Section,Role,Name,Name,Image,Note\r\n"
                                 "Cast,Keeper,\"Moreno, Ada\",,,lead\r\n"
                                 "Cast,Gulls,Bea Lind,\"Cy \"\"Sea\"\" Ode\",,\r\n"
                                 "Cast,Gulls,\"Dee\nPark\",,,\r\n"
                                 ",,,,,\r\n"
                                 "Crew,,Z\xE9ro,,3,\r\n");
  EXPECT_EQ(sheet.settings.role.colour, 11);
  std::vector<std::string> seen;
  for (const SheetLine &line : sheet.lines) {
    seen.push_back(std::to_string(static_cast<int>(line.kind)) + " " + line.role + "|" + line.text + "|" +
                   std::to_string(line.slot) + "@" + std::to_string(line.line));
  }
  const std::vector<std::string> expected = {
      "0 |The Keeper|0@1",      "5 ||0@5",              "1 |Cast|0@5",          "2 Keeper|Moreno, Ada|0@5",
      "2 Gulls|Bea Lind|0@6",   "2 |Cy \"Sea\" Ode|0@6", "2 |Dee\nPark|0@7",
      "5 ||0@9",                "1 |Crew|0@10",
      "3 |Z\xE9ro|0@10",        "4 ||3@10"};
  EXPECT_EQ(seen, expected);
}

TEST(Sheet, ReadsTextWithHeadingsRolesNamesImagesAndSpace) {
  const Sheet sheet = read_sheet("c.md",
                                 "layout: <.>\nempty line: 14\n\n# The Keeper\n\n## Cast\nKeeper: Ada, Bea\n"
                                 "Narrator\n![logo](sprite 7)\n\\Note: a name with a colon\n");
  EXPECT_EQ(sheet.settings.layout, "<.>");
  EXPECT_EQ(sheet.settings.empty_line, 14);
  ASSERT_EQ(sheet.lines.size(), 8u);
  EXPECT_EQ(sheet.lines[0].kind, Kind::title);
  EXPECT_EQ(sheet.lines[0].line, 4);
  EXPECT_EQ(sheet.lines[1].kind, Kind::space);
  EXPECT_EQ(sheet.lines[2].kind, Kind::section);
  EXPECT_EQ(sheet.lines[3].role + "|" + sheet.lines[3].text, "Keeper|Ada");
  EXPECT_EQ(sheet.lines[4].role + "|" + sheet.lines[4].text, "|Bea");
  EXPECT_EQ(sheet.lines[5].text, "Narrator");
  EXPECT_EQ(sheet.lines[6].slot, 7);
  EXPECT_EQ(sheet.lines[7].text, "Note: a name with a colon");
  const SheetScript laid_out = sheet_script(sheet);
  EXPECT_NE(laid_out.source.find("SetCredit(1, 4, \"Keeper<.>Ada\""), std::string::npos) << laid_out.source;
  EXPECT_NE(laid_out.source.find("CreditsSettings(14);"), std::string::npos);
}

TEST(Sheet, MalformedSheetsAreNamedWithLineAndColumn) {
  const auto where = [](const std::string &name, const std::string &text) {
    try {
      read_sheet(name, text);
    } catch (const ScriptError &error) {
      return std::to_string(error.line) + ":" + std::to_string(error.column) + " " + error.message;
    }
    return std::string("no error");
  };
  EXPECT_EQ(where("a.csv", "role,name\nCast,\"Ada\n"), "2:6 this quote is never closed");
  EXPECT_EQ(where("a.csv", "role,name\nCast,Ada,Bea\n"), "2:10 this row has 3 fields, its header 2");
  EXPECT_EQ(where("a.csv", "role,name\nCast,\"Ada\"x\n"), "2:11 text after a quoted field's closing quote (a quote "
                                                            "inside a field is written twice: \"\")");
  EXPECT_EQ(where("a.csv", "who,what\nCast,Ada\n").substr(0, 4), "1:1 ");
  EXPECT_EQ(where("a.md", "speed: fast\n"), "1:7 the setting 'speed' takes a whole number, not 'fast'");
  EXPECT_EQ(where("a.md", "Logo\n![](sprite x)\n"), "2:12 an image is a sprite slot, not 'x'");
}

TEST(Sheet, LongSheetsContinueInTheOtherSequenceAndRefillTheFirst) {
  const std::string path = write("long.md", names(250));
  const SheetScript laid_out = sheet_script(read_sheet(path, names(250)));
  EXPECT_EQ(laid_out.parts, 3);
  // The third part refills sequence 1, which held 100 lines, with fewer:
  // the lines left over are blanked.
  EXPECT_NE(laid_out.source.find("SetCredit(1, 100, \"\", -1, 0, 15);"), std::string::npos);

  PlayFlow flow(request_for(path));
  ASSERT_TRUE(flow.open()) << said(flow);
  Watch watch(flow.stage().engine.get());
  ASSERT_TRUE(flow.play({&watch})) << said(flow);
  for (int i = 1; i <= 250; ++i) EXPECT_TRUE(watch.texts.count("Person " + std::to_string(i))) << i;
  EXPECT_EQ(flow.warnings(), 0) << said(flow);
}

TEST(Sheet, WarningsNameTheSheetsLine) {
  const std::string path = write("wide.md", "# Title\n\n" + std::string(260, 'W') + "\n");
  PlayFlow flow(request_for(path));
  ASSERT_TRUE(flow.open() && flow.play()) << said(flow);
  const std::string all = said(flow);
  EXPECT_NE(all.find(path + ":3: this line is "), std::string::npos) << all;
  EXPECT_NE(all.find(path + ":3: SetCredit: text of 260 characters"), std::string::npos) << all;
}

TEST(Sheet, ARollThatStartsOnTheScreenEndsWhereOneFromBelowEnds) {
  const std::string sheet = "# Title\n\n## Crew\nDirector: Ada\n![](sprite 4)\nWriters: Bea, Cy\n\nThanks\n";
  const auto play = [&](const std::string &name, const std::string &text, Watch &watch) {
    auto flow = std::make_unique<PlayFlow>(request_for(write(name, text)));
    EXPECT_TRUE(flow->open() && flow->play({&watch})) << said(*flow);
    return flow;
  };
  Watch below;
  play("below.md", sheet, below);
  Watch on_screen;
  play("started.md", "start: 100\n" + sheet, on_screen);
  // Starting 101 rows higher up (a roll from below starts at the screen's
  // height + 1), it ends 101 moves sooner: the end it is given is the
  // column's height as the plug-in measures it.
  EXPECT_EQ(on_screen.frames, below.frames - 101);
}

TEST(Sheet, FittedToTheMusicTheCreditsEndWithinAFrame) {
  const std::string path = write("fit.md", names(30));
  for (const int fps : {40, 60}) {
    PlayRequest request = request_for(path);
    request.fps = fps;
    const int64_t target = 75 * fps;
    SheetFit fit;
    std::string why;
    ASSERT_TRUE(fit_sheet_to(request, 75.0, fit, why)) << why;
    EXPECT_EQ(fit.target, target);
    request.sheet_speed = fit.speed;
    request.sheet_hold = fit.hold;
    PlayFlow flow(request);
    ASSERT_TRUE(flow.open() && flow.play()) << said(flow);
    EXPECT_LE(std::llabs(flow.result().frames - target), 1) << fps << " frames a second: speed " << fit.speed
                                                             << ", hold " << fit.hold;
    EXPECT_EQ(flow.result().frames, fit.frames);
  }
  // Too short for the roll at its fastest: the nearest it comes.
  SheetFit fit;
  std::string why;
  EXPECT_FALSE(fit_sheet_to(request_for(path), 1.0, fit, why));
  EXPECT_NE(why.find("even at the fastest speed"), std::string::npos) << why;
}

TEST(Sheet, TheEmittedScriptPlaysAsTheSheetDoesAndKeepsToTheCompilersRules) {
  std::string csv = "section,role,name,name\n";
  for (int i = 1; i <= 150; ++i) {
    csv += "Team " + std::to_string(i / 40) + ",Role " + std::to_string(i) + ",\"Name, " + std::to_string(i) +
           "\",\"Quote \"\"" + std::to_string(i) + "\"\"\"\n";
  }
  const std::string sheet_path = write("team.csv", csv);
  PlayFlow sheet(request_for(sheet_path));
  ASSERT_TRUE(sheet.open()) << said(sheet);
  Watch from_sheet;
  ASSERT_TRUE(sheet.play({&from_sheet})) << said(sheet);

  const std::string code = emit_ags(sheet.script(), "roll_team");
  // Read back as a game script, as strictly as the engine's compiler reads
  // one: no literal where a string variable goes.
  const std::string game_path = write("team.asc", code);
  PlayRequest request = request_for(game_path);
  request.entry = "roll_team";
  PlayFlow game(request);
  ASSERT_TRUE(game.open()) << said(game);
  Watch from_code;
  ASSERT_TRUE(game.play({&from_code})) << said(game);
  EXPECT_EQ(from_code.frames, from_sheet.frames);
  EXPECT_EQ(from_code.fold, from_sheet.fold);
  std::istringstream lines(code);
  size_t longest = 0;
  for (std::string line; std::getline(lines, line);) longest = std::max(longest, line.size());
  EXPECT_LE(longest, 500u);
}
