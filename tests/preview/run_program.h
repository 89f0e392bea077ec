// Runs a program as a user would, its arguments handed over as they are:
// no shell sees them, so names with quotes, spaces or a leading dash arrive
// whole. Standard input, output and error go through files.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

struct Outcome {
  int status = -1;  // the exit status; 128 + the signal when one ended it
  std::string out;
  std::string err;
};

inline std::string read_whole(const std::string &path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// A new folder under /tmp named after `name`, for one test program's files.
inline std::string new_scratch_folder(const std::string &name) {
  std::string path = "/tmp/rollwick-" + name + "-XXXXXX";
  return mkdtemp(&path[0]) != nullptr ? path : "/tmp";
}

// The words of a line split at spaces (for arguments that hold none).
inline std::vector<std::string> words(const std::string &line) {
  std::vector<std::string> out;
  std::istringstream in(line);
  for (std::string word; in >> word;) out.push_back(word);
  return out;
}

// Runs `argv` with `input` on standard input; `output` names where standard
// output goes (its text is read back unless it is a device).
inline Outcome run_program(const std::vector<std::string> &argv, const std::string &input, const std::string &scratch,
                           const std::string &output = "") {
  const std::string in = scratch + "/run.in";
  const std::string out = output.empty() ? scratch + "/run.out" : output;
  const std::string err = scratch + "/run.err";
  std::ofstream(in, std::ios::binary) << input;
  const pid_t child = fork();
  if (child == 0) {
    const int in_fd = open(in.c_str(), O_RDONLY);
    const int out_fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err_fd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in_fd < 0 || out_fd < 0 || err_fd < 0) _exit(126);
    dup2(in_fd, 0);
    dup2(out_fd, 1);
    dup2(err_fd, 2);
    alarm(120);  // a program that blocks is ended, and the test fails rather than hangs
    std::vector<char *> arguments;
    for (const std::string &argument : argv) arguments.push_back(const_cast<char *>(argument.c_str()));
    arguments.push_back(nullptr);
    execv(arguments[0], arguments.data());
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  Outcome outcome;
  outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  if (output.empty() || output.rfind("/dev/", 0) != 0) outcome.out = read_whole(out);
  outcome.err = read_whole(err);
  return outcome;
}
