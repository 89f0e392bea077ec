// Nothing the user has is lost: outputs go only where the program may write,
// an interrupted run leaves what was there, no name reaches a shell, and
// inputs that could block or be overwritten are refused.
#include <gtest/gtest.h>
#include <dirent.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <thread>

#include "run_program.h"

namespace {

std::string scratch() {
  static const std::string made = new_scratch_folder("user-files");
  return made;
}

std::string write_file(const std::string &path, const std::string &text) {
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

// A roll of some 400 frames at 640x400: long enough to interrupt while it writes.
std::string roll_script() {
  std::string text;
  for (int i = 1; i <= 40; ++i) text += "SetCredit(1, " + std::to_string(i) + ", \"Line<.>" + std::to_string(i) + "\", 0, 0, 15);\n";
  text += "SequenceSettings(1, 640, 0, 0, 0, 0);\nRunCreditSequence(1);\nwhile (IsSequenceFinished(1) == 0) Wait(1);\n";
  return write_file(scratch() + "/roll.credits", text);
}

Outcome preview(std::vector<std::string> argv, const std::string &output = "") {
  argv.insert(argv.begin(), PREVIEW_PATH);
  return run_program(argv, "", scratch(), output);
}

// Every name in a folder with its bytes: what a run must leave as it was.
std::map<std::string, std::string> contents(const std::string &folder) {
  std::map<std::string, std::string> out;
  for (const auto &entry : std::filesystem::recursive_directory_iterator(folder)) {
    out[entry.path().string()] = entry.is_regular_file() ? read_whole(entry.path().string()) : "(folder)";
  }
  return out;
}

// Names in `folder` that start with `prefix`.
std::set<std::string> names_starting(const std::string &folder, const std::string &prefix) {
  std::set<std::string> out;
  for (const auto &entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(prefix, 0) == 0) out.insert(name);
  }
  return out;
}

}  // namespace

TEST(UserFiles, FramesGoOnlyIntoAFolderTheProgramOwns) {
  const std::string script = roll_script();
  // A game's folder given as the frames folder: refused, untouched.
  const std::string game = scratch() + "/mygame";
  std::filesystem::create_directories(game + "/Projects/x");
  write_file(game + "/Game.agf", "<AGSEditorDocument/>");
  write_file(game + "/GlobalScript.asc", "function play_credits() {}");
  write_file(game + "/Projects/x/photo.jpg", "jpeg");
  const auto before = contents(game);
  Outcome outcome = preview({script, "--max-frames", "3", "--frames", game});
  EXPECT_EQ(outcome.status, 2);
  EXPECT_NE(outcome.err.find("--frames " + game + " holds Game.agf, which is not a frame this program wrote"),
            std::string::npos) << outcome.err;
  EXPECT_EQ(contents(game), before);
  // A folder of an earlier render's frames is replaced whole; names no shell would take arrive as they are.
  umask(022);
  for (const std::string name : {"it's", "a b", "-dash", "x'; touch INJECTED; '", "q\"uote"}) {
    const std::string frames = scratch() + "/" + name;
    outcome = preview({script, "--max-frames", "5", "--frames", frames});
    ASSERT_EQ(outcome.status, 0) << name << ": " << outcome.err;
    outcome = preview({script, "--max-frames", "3", "--frames", frames});
    ASSERT_EQ(outcome.status, 0) << name << ": " << outcome.err;
    EXPECT_EQ(names_starting(frames, ""), (std::set<std::string>{"frame-00000.png", "frame-00001.png", "frame-00002.png"}))
        << name;
    EXPECT_EQ(names_starting(scratch(), name + ".").size(), 0u) << name << ": nothing left beside it";
    struct stat info {};
    ASSERT_EQ(stat(frames.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0755u) << "made as mkdir makes it under umask 022";
  }
  EXPECT_FALSE(std::filesystem::exists(scratch() + "/INJECTED"));
  EXPECT_FALSE(std::filesystem::exists("INJECTED"));
}

// No name of the user's passes through a shell: the program's sources call none.
TEST(UserFiles, NoSourceCallsAShell) {
  const std::string calls[] = {std::string("sys") + "tem(", std::string("po") + "pen("};
  int files = 0;
  for (const char *part : {"src", "host", "preview", "tests", "bench", "fuzz"}) {
    for (const auto &entry : std::filesystem::recursive_directory_iterator(std::string(SOURCE_DIR) + "/" + part)) {
      const std::string path = entry.path().string();
      if (path.find("node_modules") != std::string::npos) continue;
      const std::string extension = entry.path().extension().string();
      if (extension != ".cpp" && extension != ".h" && extension != ".js") continue;
      files += 1;
      const std::string text = read_whole(path);
      for (const std::string &call : calls) EXPECT_EQ(text.find(call), std::string::npos) << path << " calls " << call;
    }
  }
  EXPECT_GT(files, 50);
}

// SIGINT, SIGTERM or SIGHUP at any moment of a frames render: the folder
// holds what it held before, and nothing is left beside it.
TEST(UserFiles, AnInterruptAtAnyMomentLeavesWhatWasThere) {
  const std::string script = roll_script();
  const std::string frames = scratch() + "/kept";
  ASSERT_EQ(preview({script, "--max-frames", "2", "--frames", frames}).status, 0);
  const auto before = contents(frames);
  const std::string gif = scratch() + "/stopped.gif";
  int moment = 0;
  int interrupted = 0;
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    for (const int delay_ms : {0, 40, 150, 400}) {
      ++moment;
      const pid_t child = fork();
      if (child == 0) {
        freopen("/dev/null", "w", stdout);
        freopen("/dev/null", "w", stderr);
        execl(PREVIEW_PATH, PREVIEW_PATH, script.c_str(), "--screen", "640x400", "--frames", frames.c_str(), "-o",
              gif.c_str(), nullptr);
        _exit(127);
      }
      // Once the render writes (the first play writes nothing), then a moment later.
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
      while (names_starting(scratch(), "kept.partial-").empty() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
      kill(child, signal_number);
      int status = 0;
      waitpid(child, &status, 0);
      if (WIFEXITED(status) && WEXITSTATUS(status) == 0) continue;  // it finished first: nothing to check
      interrupted += 1;
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal_number) << "moment " << moment;
      EXPECT_EQ(contents(frames), before) << "moment " << moment;
      EXPECT_EQ(names_starting(scratch(), "kept.").size(), 0u) << "moment " << moment;
      EXPECT_EQ(names_starting(scratch(), ".stopped.gif").size(), 0u) << "moment " << moment;
      EXPECT_FALSE(std::filesystem::exists(gif)) << "moment " << moment;
    }
  }
  EXPECT_GE(interrupted, 9) << "most moments fall inside the render";
}

TEST(UserFiles, QuietPrintsNoProgressOnATerminal) {
  const std::string script = roll_script();
  const auto stderr_on_terminal = [&](bool quiet) {
    int terminal = -1;
    const pid_t child = forkpty(&terminal, nullptr, nullptr, nullptr);
    if (child == 0) {
      const std::string gif = scratch() + "/quiet.gif";
      if (quiet) {
        execl(PREVIEW_PATH, PREVIEW_PATH, script.c_str(), "--screen", "1280x800", "-o", gif.c_str(), "-q", nullptr);
      } else {
        execl(PREVIEW_PATH, PREVIEW_PATH, script.c_str(), "--screen", "1280x800", "-o", gif.c_str(), nullptr);
      }
      _exit(127);
    }
    std::string seen;
    char buffer[4096];
    for (ssize_t got; (got = read(terminal, buffer, sizeof buffer)) > 0;) seen.append(buffer, static_cast<size_t>(got));
    waitpid(child, nullptr, 0);
    close(terminal);
    return seen;
  };
  EXPECT_NE(stderr_on_terminal(false).find("frames, "), std::string::npos) << "the bar shows without -q";
  EXPECT_EQ(stderr_on_terminal(true), "");
}

TEST(UserFiles, NoOutputIsAnInputALinkOrAReadOnlyFile) {
  const std::string script = roll_script();
  // An input named as an output, or two outputs in one place: refused before anything is written.
  const std::string picture = scratch() + "/bg.png";
  ASSERT_EQ(preview({script, "--frame", "0", "-o", picture}).status, 0);
  const std::string picture_bytes = read_whole(picture);
  Outcome outcome = preview({script, "--background", picture, "--frame", "1", "-o", picture});
  EXPECT_EQ(outcome.status, 2);
  EXPECT_NE(outcome.err.find("a file this run reads"), std::string::npos) << outcome.err;
  outcome = preview({script, "--sheet", picture, "--frame", "3", "-o", scratch() + "/./bg.png"});
  EXPECT_EQ(outcome.status, 2);
  EXPECT_NE(outcome.err.find("are one file"), std::string::npos) << outcome.err;
  EXPECT_EQ(read_whole(picture), picture_bytes);
  const std::string same = write_file(scratch() + "/same.gif", read_whole(script));
  EXPECT_EQ(preview({same, "-o", same}).status, 2);
  EXPECT_EQ(preview({same}).status, 2) << "its default output is itself";
  EXPECT_EQ(read_whole(same), read_whole(script));

  // A link or a read-only file is not replaced; a file that is replaced keeps its permissions.
  const std::string target = write_file(scratch() + "/target.gif", "mine");
  const std::string link = scratch() + "/link.gif";
  ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
  outcome = preview({script, "-o", link});
  EXPECT_EQ(outcome.status, 1);
  EXPECT_NE(outcome.err.find("it is a symbolic link"), std::string::npos) << outcome.err;
  EXPECT_EQ(read_whole(target), "mine");
  chmod(target.c_str(), 0444);
  if (access(target.c_str(), W_OK) != 0) {  // root may write anyway
    EXPECT_NE(preview({script, "-o", target}).err.find("read-only"), std::string::npos);
    EXPECT_EQ(read_whole(target), "mine");
  }
  chmod(target.c_str(), 0640);
  ASSERT_EQ(preview({script, "-o", target, "-q"}).status, 0);
  struct stat info {};
  ASSERT_EQ(lstat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  EXPECT_NE(read_whole(target), "mine");

  // A FIFO is refused by its type, not waited on.
  const std::string fifo = scratch() + "/pipe.png";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  outcome = preview({script, "--background", fifo, "-o", scratch() + "/f.gif"});
  EXPECT_EQ(outcome.status, 1);
  EXPECT_NE(outcome.err.find("is not a regular file"), std::string::npos) << outcome.err;

  // A game whose sprite file is a FIFO: named, not waited on.
  const std::string game = scratch() + "/fifo-game";
  std::filesystem::copy(std::string(SOURCE_DIR) + "/tests/engine-reference/A1-demo-320x200x32-wfn/game", game);
  std::filesystem::remove(game + "/acsprset.spr");
  ASSERT_EQ(mkfifo((game + "/acsprset.spr").c_str(), 0644), 0);
  outcome = preview({script, "--game", game, "-o", scratch() + "/f.gif"});
  EXPECT_NE(outcome.err.find("acsprset.spr"), std::string::npos) << outcome.err;

  // A header the game lists that is a FIFO: refused, not waited on.
  const std::string header_game = scratch() + "/fifo-header-game";
  const std::string a10 = std::string(SOURCE_DIR) + "/tests/engine-reference/A10-global-script-60fps";
  std::filesystem::copy(a10 + "/game", header_game);
  ASSERT_EQ(mkfifo((header_game + "/tap.ash").c_str(), 0644), 0);
  outcome = preview({a10 + "/credits.credits", "--game", header_game, "-o", scratch() + "/h.gif"});
  EXPECT_EQ(outcome.status, 1);
  EXPECT_NE(outcome.err.find("tap.ash is not a regular file"), std::string::npos) << outcome.err;

  // Bytes that are not UTF-8, in a name, reach the terminal escaped.
  outcome = preview({scratch() + "/no\xffsuch.credits"});
  EXPECT_NE(outcome.err.find("no\\xffsuch.credits: no such file"), std::string::npos) << outcome.err;

  // Standard output that cannot take the summary does not undo a render that was written.
  outcome = preview({script, "-o", scratch() + "/full.gif"}, "/dev/full");
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_NE(outcome.err.find("the summary could not be printed"), std::string::npos) << outcome.err;
  EXPECT_TRUE(std::filesystem::exists(scratch() + "/full.gif"));
}
