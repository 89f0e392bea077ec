#include "user_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>

namespace rollwick_host {

namespace {

std::string folder_of(const std::string &path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string name_of(const std::string &path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

mode_t new_file_mode(bool folder) {
  static const mode_t mask = [] {
    const mode_t read = umask(022);
    umask(read);
    return read;
  }();
  return folder ? static_cast<mode_t>((0777 & ~mask) | 0700) : static_cast<mode_t>((0666 & ~mask) | 0600);
}

// ----- the signal handler's records -----

namespace {

// Fixed storage, so the signal handler touches nothing but it, unlink and rmdir.
constexpr int partial_slots = 8;
char partial_paths[partial_slots][PATH_MAX];
volatile sig_atomic_t partial_in_use[partial_slots];

char partial_folder[PATH_MAX];
volatile sig_atomic_t partial_folder_in_use;
volatile sig_atomic_t partial_folder_frames;

void remove_partials_and_end(int signal_number) {
  for (int i = 0; i < partial_slots; ++i) {
    if (partial_in_use[i]) unlink(partial_paths[i]);
  }
  if (partial_folder_in_use) {
    // "/frame-NNNNN.png" after the folder, the number written by hand: only
    // async-signal-safe calls here.
    char path[sizeof partial_folder + 32];
    size_t length = 0;
    while (partial_folder[length] != '\0') {
      path[length] = partial_folder[length];
      ++length;
    }
    for (long frame = 0; frame < partial_folder_frames; ++frame) {
      char digits[24];
      int count = 0;
      for (long rest = frame; rest > 0 || count < 5; rest /= 10) digits[count++] = static_cast<char>('0' + rest % 10);
      size_t at = length;
      for (const char c : "/frame-") {
        if (c != '\0') path[at++] = c;
      }
      while (count > 0) path[at++] = digits[--count];
      for (const char c : ".png") path[at++] = c;  // with the terminator
      unlink(path);
    }
    rmdir(partial_folder);
  }
  std::signal(signal_number, SIG_DFL);
  std::raise(signal_number);
}

}  // namespace

void track_partial_file(const std::string &path) {
  if (path.size() >= sizeof partial_paths[0]) return;
  for (int i = 0; i < partial_slots; ++i) {
    if (partial_in_use[i]) continue;
    std::memcpy(partial_paths[i], path.c_str(), path.size() + 1);
    partial_in_use[i] = 1;
    return;
  }
}

void untrack_partial_file(const std::string &path) {
  for (int i = 0; i < partial_slots; ++i) {
    if (partial_in_use[i] && path == partial_paths[i]) partial_in_use[i] = 0;
  }
}

void track_partial_folder(const std::string &path) {
  if (path.size() >= sizeof partial_folder) return;
  partial_folder_in_use = 0;
  std::memcpy(partial_folder, path.c_str(), path.size() + 1);
  partial_folder_frames = 0;
  partial_folder_in_use = 1;
}

void note_partial_folder_frames(int64_t frames) { partial_folder_frames = static_cast<sig_atomic_t>(frames); }

void untrack_partial_folder() { partial_folder_in_use = 0; }

void remove_partial_files_on_signals() {
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal_number, remove_partials_and_end);
}

SignalsHeld::SignalsHeld() {
  sigset_t held;
  sigemptyset(&held);
  sigaddset(&held, SIGINT);
  sigaddset(&held, SIGTERM);
  sigaddset(&held, SIGHUP);
  sigprocmask(SIG_BLOCK, &held, &before_);
}

SignalsHeld::~SignalsHeld() { sigprocmask(SIG_SETMASK, &before_, nullptr); }

// ----- partial files -----

PartialFile::~PartialFile() { discard(); }

bool PartialFile::create(const std::string &target, std::string &error) {
  discard();
  target_ = target;
  // Hidden, and named after the target so that a stray one explains itself.
  std::string pattern = folder_of(target) + "/." + name_of(target) + ".partial-XXXXXX";
  {
    SignalsHeld held;  // created and tracked together
    descriptor_ = mkstemp(&pattern[0]);
    if (descriptor_ >= 0) {
      path_ = pattern;
      track_partial_file(path_);
    }
  }
  if (descriptor_ < 0) {
    error = "cannot write " + target + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

void PartialFile::discard() {
  if (descriptor_ >= 0) close(descriptor_);
  descriptor_ = -1;
  if (!path_.empty()) {
    unlink(path_.c_str());
    untrack_partial_file(path_);
    path_.clear();
  }
}

bool PartialFile::commit(std::string &error) {
  if (descriptor_ >= 0 && close(descriptor_) != 0) {
    descriptor_ = -1;
    error = "cannot write " + target_ + ": " + std::strerror(errno);
    discard();
    return false;
  }
  descriptor_ = -1;
  const std::string problem = output_problem(target_);
  if (!problem.empty()) {
    error = problem;
    discard();
    return false;
  }
  struct stat replaced {};
  const mode_t mode = stat(target_.c_str(), &replaced) == 0 ? (replaced.st_mode & 07777) : new_file_mode(false);
  SignalsHeld held;
  if (chmod(path_.c_str(), mode) != 0 || rename(path_.c_str(), target_.c_str()) != 0) {
    error = "cannot write " + target_ + ": " + std::strerror(errno);
    discard();
    return false;
  }
  untrack_partial_file(path_);
  path_.clear();
  return true;
}

// ----- checks -----

std::string input_problem(const std::string &path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return path + ": no such file";
  if (S_ISDIR(info.st_mode)) return path + " is a folder";
  if (!S_ISREG(info.st_mode)) return path + " is not a regular file (a FIFO or a device); only files are read";
  return "";
}

std::string output_problem(const std::string &path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) == 0) {
    if (S_ISLNK(info.st_mode)) {
      return "will not write " + path + ": it is a symbolic link (name the file it points to, or another name)";
    }
    if (S_ISDIR(info.st_mode)) return "cannot write " + path + ": it is a folder";
    if (!S_ISREG(info.st_mode)) return "will not write " + path + ": it is not a regular file (a FIFO or a device)";
    if (access(path.c_str(), W_OK) != 0) {
      return "will not write " + path + ": the file is read-only (make it writable, or give another name)";
    }
  }
  return folder_problem(path);
}

std::string folder_problem(const std::string &path) {
  struct stat info {};
  const std::string folder = folder_of(path);
  if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
    return "cannot write " + path + ": there is no folder " + folder;
  }
  if (access(folder.c_str(), W_OK | X_OK) != 0) {
    return "cannot write " + path + ": the folder " + folder + " is not writable";
  }
  return "";
}

bool is_frame_name(const std::string &name) {
  const size_t digits = name.size() >= 15 ? name.size() - 10 : 0;  // "frame-" + digits + ".png"
  if (digits < 5 || name.compare(0, 6, "frame-") != 0 || name.compare(name.size() - 4, 4, ".png") != 0) return false;
  for (size_t i = 6; i < 6 + digits; ++i) {
    if (name[i] < '0' || name[i] > '9') return false;
  }
  return true;
}

std::string frames_folder_name(std::string folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  const std::string last = name_of(folder);
  char resolved[PATH_MAX];
  if ((last == "." || last == "..") && realpath(folder.c_str(), resolved) != nullptr) return resolved;
  return folder;
}

std::string frames_folder_problem(const std::string &folder) {
  struct stat info {};
  if (lstat(folder.c_str(), &info) != 0) return "";  // a new folder
  if (S_ISLNK(info.st_mode)) return folder + " is a symbolic link; name a folder of its own for the frames";
  if (!S_ISDIR(info.st_mode)) return folder + " is a file, not a folder for the frames";
  DIR *listing = opendir(folder.c_str());
  if (listing == nullptr) return "cannot read the folder " + folder + ": " + std::strerror(errno);
  std::string first;  // the first name, in byte order, that is not a frame of an earlier render
  while (const dirent *entry = readdir(listing)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat held {};
    const bool frame = is_frame_name(name) && lstat((folder + "/" + name).c_str(), &held) == 0 && S_ISREG(held.st_mode);
    if (!frame && (first.empty() || name < first)) first = name;
  }
  closedir(listing);
  if (first.empty()) return "";
  return folder + " holds " + first + ", which is not a frame this program wrote; the frames go in a new folder or "
         "one that holds only frame-NNNNN.png files (nothing was written)";
}

std::string place_of(const std::string &path) {
  char resolved[PATH_MAX];
  const std::string folder = folder_of(path);
  const std::string name = name_of(path);
  if (realpath(folder.c_str(), resolved) == nullptr) return path;
  return std::string(resolved) + "/" + name;
}

bool same_existing_file(const std::string &a, const std::string &b) {
  struct stat first {}, second {};
  return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
         first.st_ino == second.st_ino;
}

}  // namespace rollwick_host
