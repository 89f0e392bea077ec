// The user's files: what this program reads, and the files and folders it
// writes, and nothing else.
//
// Inputs are read only when they are regular files: a FIFO or a device is
// refused by its type, before it is opened (opening one could block for ever).
//
// Every output is made under a fresh name beside its target (never a name
// that already exists), tracked so that SIGINT, SIGTERM or SIGHUP removes it,
// and moved onto the target only when it is complete: an output is whole or
// absent, and an interrupted or failed run leaves what the user had as it was.
// A target that is a symbolic link, not a regular file or not writable is
// refused rather than replaced. No name ever passes through a shell.
//
// Errors: functions that can fail return false (or a non-empty problem) with
// a message that names the path and what is wrong.
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace rollwick_host {

// A file being written: created with a unique name in the target's folder.
// Destroyed before commit(), it removes itself.
class PartialFile {
 public:
  PartialFile() = default;
  PartialFile(const PartialFile &) = delete;
  PartialFile &operator=(const PartialFile &) = delete;
  ~PartialFile();

  // Creates the file, open for writing; false with `error` set.
  bool create(const std::string &target, std::string &error);
  // The open descriptor; the caller may take it (and then closes it itself).
  int descriptor() const { return descriptor_; }
  void forget_descriptor() { descriptor_ = -1; }
  const std::string &path() const { return path_; }
  // Closes it (if still open), gives it the target's permissions (those of
  // the file it replaces, else what the umask allows) and renames it onto
  // the target; false with `error` set, and the partial file removed.
  bool commit(std::string &error);
  // Removes it now.
  void discard();

 private:
  std::string target_;
  std::string path_;
  int descriptor_ = -1;
};

// What the umask leaves of 0666 for a file (0777 for a folder), read once;
// the owner always keeps reading and writing (a umask that takes those away,
// as the browser's file system reports one, would leave a file nobody can read).
mode_t new_file_mode(bool folder);

// Why `path` cannot be read as an input file, or empty: missing, a folder,
// or not a regular file.
std::string input_problem(const std::string &path);

// Why `path` cannot be an output, or empty: a symbolic link, something other
// than a regular file (a folder, a FIFO), a file that is not writable, or a
// folder that is missing or not writable.
std::string output_problem(const std::string &path);
// Why nothing can be made at `path`: its folder is missing or not writable.
std::string folder_problem(const std::string &path);

// Why `folder` cannot take a render's frames, or empty: it must be new, or a
// folder (not a link) holding only regular files named frame-NNNNN.png.
std::string frames_folder_problem(const std::string &folder);
bool is_frame_name(const std::string &name);
// The name a frames folder is replaced under: without trailing slashes, and
// a name that ends in "." or ".." (the working folder) made its real path.
std::string frames_folder_name(std::string folder);

// Where a file is, whether or not it exists yet: its folder's real path and
// its own name. Two names for one place give the same answer.
std::string place_of(const std::string &path);
// Whether both name one existing file (the same device and inode).
bool same_existing_file(const std::string &a, const std::string &b);

// Tracking for the signal handler (fixed storage: a few files at once).
void track_partial_file(const std::string &path);
void untrack_partial_file(const std::string &path);
// A folder of frames being written; `frames` of them so far.
void track_partial_folder(const std::string &path);
void note_partial_folder_frames(int64_t frames);
void untrack_partial_folder();
// From here on, SIGINT, SIGTERM and SIGHUP remove what is tracked, then end
// the program as the signal would (a shell reports 130, 143, 129).
void remove_partial_files_on_signals();

// Holds back SIGINT, SIGTERM and SIGHUP while it lives: a step of renames
// is done whole before a signal can act.
class SignalsHeld {
 public:
  SignalsHeld();
  ~SignalsHeld();
  SignalsHeld(const SignalsHeld &) = delete;
  SignalsHeld &operator=(const SignalsHeld &) = delete;

 private:
  sigset_t before_;
};

}  // namespace rollwick_host
