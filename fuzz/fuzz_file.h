// What the reader fuzzers share: the input written to a file of its own
// (the readers read files, as the previewer does), removed afterwards.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class FuzzFile {
 public:
  FuzzFile(const uint8_t *data, size_t size, const char *name = "input") {
    char folder[] = "/tmp/rollwick-fuzz-XXXXXX";
    if (mkdtemp(folder) == nullptr) return;
    folder_ = folder;
    path_ = folder_ + "/" + name;
    if (FILE *file = std::fopen(path_.c_str(), "wb")) {
      if (size > 0) std::fwrite(data, 1, size, file);
      std::fclose(file);
    }
  }
  ~FuzzFile() {
    for (const std::string &extra : extras_) unlink(extra.c_str());
    unlink(path_.c_str());
    rmdir(folder_.c_str());
  }
  const std::string &path() const { return path_; }
  const std::string &folder() const { return folder_; }
  // Another file beside it.
  std::string add(const std::string &name, const uint8_t *data, size_t size) {
    const std::string path = folder_ + "/" + name;
    if (FILE *file = std::fopen(path.c_str(), "wb")) {
      if (size > 0) std::fwrite(data, 1, size, file);
      std::fclose(file);
    }
    extras_.push_back(path);
    return path;
  }

 private:
  std::string folder_;
  std::string path_;
  std::vector<std::string> extras_;
};
