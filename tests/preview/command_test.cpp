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

namespace {

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

std::string folder() {
  static const std::string made = [] {
    char path[] = "/tmp/rollwick-command-XXXXXX";
    return std::string(mkdtemp(path));
  }();
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

// Runs the previewer with `arguments` (shell words) and `input` on its standard input.
Outcome preview(const std::string &arguments, const std::string &input = "") {
  const std::string in = write_script("stdin.txt", input);
  const std::string command = std::string(PREVIEW_PATH) + " " + arguments + " <" + in + " >" + folder() +
                              "/out.txt 2>" + folder() + "/err.txt";
  Outcome outcome;
  const int status = std::system(command.c_str());
  outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  outcome.out = read_all(folder() + "/out.txt");
  outcome.err = read_all(folder() + "/err.txt");
  return outcome;
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
                                       script + " -o " + folder() + "/x.bmp", script + " --bogus"}) {
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

TEST(Command, AnInterruptedRenderLeavesNoPartialFile) {
  const std::string gif = folder() + "/stopped.gif";
  const std::string script = write_script("endless.credits", "while (1) { Wait(1000); }\n");
  const pid_t child = fork();
  if (child == 0) {
    freopen("/dev/null", "w", stdout);
    freopen("/dev/null", "w", stderr);
    execl(PREVIEW_PATH, PREVIEW_PATH, script.c_str(), "-o", gif.c_str(), "--max-frames", "200000", nullptr);
    _exit(127);
  }
  // The first play, which writes nothing, takes a few seconds.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!exists(gif + ".partial") && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_TRUE(exists(gif + ".partial")) << "the render had begun";
  kill(child, SIGTERM);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFSIGNALED(status));
  EXPECT_FALSE(exists(gif + ".partial"));
  EXPECT_FALSE(exists(gif));
}
