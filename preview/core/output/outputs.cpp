#include "outputs.h"

#include <dirent.h>
#include <gif_lib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstring>
#include <cstdio>
#include <map>
#include <set>
#include <unordered_map>

#include "png_files.h"
#include "game_defaults.h"
#include "user_files.h"

namespace rollwick_preview {

using rollwick_host::Canvas;

int64_t gif_time(int64_t frames, int fps) { return (frames * 100 + fps / 2) / fps; }

int64_t gif_time(int64_t frames, const std::vector<std::pair<int64_t, int>> &speeds) {
  if (speeds.size() <= 1) return gif_time(frames, speeds.empty() ? DEFAULT_GAME_SPEED : speeds.front().second);
  return std::llround(seconds_of(frames, speeds) * 100);
}

namespace {

constexpr int shortest_delay = 2;          // hundredths of a second; browsers slow anything shorter
constexpr GifPixelType see_through = 255;  // the palette entry left transparent

// The part of a frame that changed, as palette indices: its own colours
// (pixels that did not change are transparent) when it has 255 or fewer,
// otherwise 3-3-2 levels of red, green and blue for every pixel.
struct IndexedRect {
  int left = 0, top = 0, width = 1, height = 1;
  bool transparent = true;
  std::vector<GifColorType> palette = std::vector<GifColorType>(256, GifColorType{0, 0, 0});
  std::vector<GifPixelType> indices = std::vector<GifPixelType>(1, see_through);
};

IndexedRect index_changes(const Canvas &canvas, const Canvas &shown, bool first) {
  IndexedRect rect;
  int left = canvas.width, top = canvas.height, right = -1, bottom = -1;
  for (int y = 0; y < canvas.height; ++y) {
    for (int x = 0; x < canvas.width; ++x) {
      if (!first && canvas.at(x, y) == shown.at(x, y)) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  if (right < 0) return rect;  // nothing changed: one transparent pixel
  rect.left = left;
  rect.top = top;
  rect.width = right - left + 1;
  rect.height = bottom - top + 1;
  rect.indices.assign(static_cast<size_t>(rect.width) * rect.height, see_through);
  std::unordered_map<uint32_t, GifPixelType> colours;
  bool fits = true;
  for (int y = 0; y < rect.height && fits; ++y) {
    for (int x = 0; x < rect.width; ++x) {
      const uint32_t rgb = canvas.at(left + x, top + y);
      if (!first && rgb == shown.at(left + x, top + y)) continue;
      auto found = colours.find(rgb);
      if (found == colours.end()) {
        if (colours.size() == see_through) {
          fits = false;
          break;
        }
        const auto index = static_cast<GifPixelType>(colours.size());
        rect.palette[index] = GifColorType{static_cast<GifByteType>(rgb >> 16), static_cast<GifByteType>(rgb >> 8),
                                           static_cast<GifByteType>(rgb)};
        found = colours.emplace(rgb, index).first;
      }
      rect.indices[static_cast<size_t>(y) * rect.width + x] = found->second;
    }
  }
  if (fits) return rect;
  rect.transparent = false;
  for (int i = 0; i < 256; ++i) {
    rect.palette[i] = GifColorType{static_cast<GifByteType>((i >> 5) * 255 / 7),
                                   static_cast<GifByteType>(((i >> 2) & 7) * 255 / 7),
                                   static_cast<GifByteType>((i & 3) * 255 / 3)};
  }
  for (int y = 0; y < rect.height; ++y) {
    for (int x = 0; x < rect.width; ++x) {
      const uint32_t rgb = canvas.at(left + x, top + y);
      rect.indices[static_cast<size_t>(y) * rect.width + x] =
          static_cast<GifPixelType>(((rgb >> 21) & 7) << 5 | ((rgb >> 13) & 7) << 2 | ((rgb >> 6) & 3));
    }
  }
  return rect;
}

// Writes a picture only when it changes, and only the rectangle that changed;
// a picture that stays is one image with a longer delay. Delays add up to the
// game's time exactly in hundredths of a second; a picture that would show
// for less than two of them is left out (its time goes to the next).
class GifOutput : public OutputSink {
 public:
  GifOutput(std::string path, int width, int height, std::vector<std::pair<int64_t, int>> speeds)
      : path_(std::move(path)), width_(width), height_(height), speeds_(std::move(speeds)), shown_(width, height) {
    int error = 0;
    if (!partial_.create(path_, error_)) return;
    gif_ = EGifOpenFileHandle(partial_.descriptor(), &error);
    if (gif_ == nullptr) {
      error_ = std::string("cannot write ") + path_ + ": " + GifErrorString(error);
      return;
    }
    partial_.forget_descriptor();  // giflib closes it
    EGifSetGifVersion(gif_, true);
    if (EGifPutScreenDesc(gif_, width_, height_, 8, 0, nullptr) == GIF_ERROR) fail();
    // Loop for ever.
    static const GifByteType netscape[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    static const GifByteType loop[] = {1, 0, 0};
    if (EGifPutExtensionLeader(gif_, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
        EGifPutExtensionBlock(gif_, sizeof netscape, netscape) == GIF_ERROR ||
        EGifPutExtensionBlock(gif_, sizeof loop, loop) == GIF_ERROR || EGifPutExtensionTrailer(gif_) == GIF_ERROR) {
      fail();
    }
  }
  ~GifOutput() override {
    int error = 0;
    if (gif_ != nullptr) EGifCloseFile(gif_, &error);
  }

  void frame(int64_t index, const Canvas &canvas) override {
    if (gif_ == nullptr || !error_.empty()) return;
    if (has_pending_ && canvas.pixels == pending_.pixels) {
      pending_end_ = index + 1;
      return;
    }
    if (has_pending_) flush(false);
    pending_ = canvas;
    has_pending_ = true;
    pending_end_ = index + 1;
  }

  bool finish(int64_t, std::string &error) override {
    if (gif_ != nullptr && has_pending_) flush(true);
    if (gif_ == nullptr) {
      error = error_;
      return false;
    }
    int code = 0;
    const bool closed = EGifCloseFile(gif_, &code) != GIF_ERROR;
    gif_ = nullptr;
    if (!error_.empty() || !closed) {
      error = !error_.empty() ? error_ : std::string("cannot finish ") + path_ + ": " + GifErrorString(code);
      partial_.discard();
      return false;
    }
    return partial_.commit(error);
  }

  std::string problem() const override { return error_; }

  std::string summary() const override {
    std::string text = path_ + ": " + std::to_string(images_) + " picture" + (images_ == 1 ? "" : "s");
    if (merged_ > 0) {
      text += "; " + std::to_string(merged_) + " shown for under 2/100 s left out (GIF's clock is 1/100 s, and "
              "browsers slow shorter delays), their time given to the next";
    }
    return text;
  }

 private:
  void flush(bool last) {
    has_pending_ = false;
    const int64_t end = gif_time(pending_end_, speeds_);
    int64_t delay = end - written_time_;
    if (delay < shortest_delay) {
      if (!last) {
        merged_ += 1;
        return;
      }
      delay = shortest_delay;
    }
    written_time_ += delay;
    GraphicsControlBlock control;
    control.DisposalMode = DISPOSE_DO_NOT;
    control.UserInputFlag = false;
    control.DelayTime = static_cast<int>(std::min<int64_t>(delay, 65535));
    const IndexedRect rect = index_changes(pending_, shown_, images_ == 0);
    control.TransparentColor = rect.transparent ? see_through : NO_TRANSPARENT_COLOR;
    GifByteType extension[4];
    EGifGCBToExtension(&control, extension);
    ColorMapObject *palette = GifMakeMapObject(256, rect.palette.data());
    bool ok = EGifPutExtension(gif_, GRAPHICS_EXT_FUNC_CODE, 4, extension) != GIF_ERROR &&
              EGifPutImageDesc(gif_, rect.left, rect.top, rect.width, rect.height, false, palette) != GIF_ERROR;
    for (int row = 0; ok && row < rect.height; ++row) {
      ok = EGifPutLine(gif_, const_cast<GifPixelType *>(rect.indices.data()) + static_cast<size_t>(row) * rect.width,
                       rect.width) != GIF_ERROR;
    }
    GifFreeMapObject(palette);
    if (!ok) fail();
    shown_ = pending_;
    images_ += 1;
    // A long delay is split: GIF holds at most 655.35 s in one.
    if (delay > 65535) extend(delay - 65535);
  }

  // Shows the picture on for `delay` more: a one-pixel image that changes nothing.
  void extend(int64_t delay) {
    while (delay > 0 && error_.empty()) {
      GraphicsControlBlock control;
      control.DisposalMode = DISPOSE_DO_NOT;
      control.UserInputFlag = false;
      control.DelayTime = static_cast<int>(std::min<int64_t>(delay, 65535));
      control.TransparentColor = see_through;
      delay -= control.DelayTime;
      GifByteType extension[4];
      EGifGCBToExtension(&control, extension);
      std::vector<GifColorType> colours(256, GifColorType{0, 0, 0});
      ColorMapObject *palette = GifMakeMapObject(256, colours.data());
      GifPixelType pixel = see_through;
      const bool ok = EGifPutExtension(gif_, GRAPHICS_EXT_FUNC_CODE, 4, extension) != GIF_ERROR &&
                      EGifPutImageDesc(gif_, 0, 0, 1, 1, false, palette) != GIF_ERROR &&
                      EGifPutLine(gif_, &pixel, 1) != GIF_ERROR;
      GifFreeMapObject(palette);
      if (!ok) fail();
    }
  }

  void fail() {
    if (error_.empty()) error_ = std::string("cannot write ") + path_ + ": " + GifErrorString(gif_->Error);
  }

  std::string path_;
  rollwick_host::PartialFile partial_;
  int width_;
  int height_;
  std::vector<std::pair<int64_t, int>> speeds_;
  GifFileType *gif_ = nullptr;
  std::string error_;
  Canvas shown_;            // what a viewer shows after the images written so far
  Canvas pending_;          // the picture waiting for its delay to be known
  bool has_pending_ = false;
  int64_t pending_end_ = 0;   // the frame after its last
  int64_t written_time_ = 0;  // hundredths of a second written so far
  int64_t images_ = 0;
  int64_t merged_ = 0;
};

// Frames go into a new folder beside the one named, which takes its place
// only when every frame is written: an interrupted or failed render leaves
// the named folder as it was, and frames of two renders never mix. The
// folder it replaces held only frames of an earlier render (checked before
// the render); of it, only those frames are removed.
class PngFramesOutput : public OutputSink {
 public:
  explicit PngFramesOutput(const std::string &directory) : directory_(rollwick_host::frames_folder_name(directory)) {
    error_ = rollwick_host::frames_folder_problem(directory_);
    if (!error_.empty()) return;
    std::string pattern = directory_ + ".partial-XXXXXX";
    {
      rollwick_host::SignalsHeld held;
      if (mkdtemp(&pattern[0]) != nullptr) {
        temporary_ = pattern;
        rollwick_host::track_partial_folder(temporary_);
      }
    }
    if (temporary_.empty()) {
      error_ = "cannot make a folder beside " + directory_ + ": " + std::strerror(errno);
      return;
    }
    // As a folder made with mkdir: the umask's permissions, or those of the folder it replaces.
    struct stat info {};
    chmod(temporary_.c_str(),
          stat(directory_.c_str(), &info) == 0 ? (info.st_mode & 07777) : rollwick_host::new_file_mode(true));
  }
  ~PngFramesOutput() override {
    if (!temporary_.empty()) remove_frames(temporary_, written_);
  }
  void frame(int64_t index, const Canvas &canvas) override {
    if (!error_.empty()) return;
    // Counted before it is written, so that an interrupt finds every frame that may be there.
    written_ = std::max(written_, index + 1);
    rollwick_host::note_partial_folder_frames(written_);
    rollwick_host::write_png(temporary_ + "/" + frame_name(index), canvas, error_);
  }
  bool finish(int64_t total, std::string &error) override {
    error = error_;
    if (!error_.empty()) return false;
    frames_ = total;
    rollwick_host::SignalsHeld held;  // the swap is done whole
    // The earlier frames step aside into a name of their own, the new ones move in.
    std::string old;
    struct stat info {};
    if (lstat(directory_.c_str(), &info) == 0) {
      const std::string problem = rollwick_host::frames_folder_problem(directory_);
      if (!problem.empty()) {
        error = problem;
        return false;
      }
      std::string pattern = directory_ + ".old-XXXXXX";
      if (mkdtemp(&pattern[0]) == nullptr || rename(directory_.c_str(), pattern.c_str()) != 0) {
        error = "cannot replace " + directory_ + ": " + std::strerror(errno);
        rmdir(pattern.c_str());
        return false;
      }
      old = pattern;
    }
    if (rename(temporary_.c_str(), directory_.c_str()) != 0) {
      error = "cannot move the frames into " + directory_ + ": " + std::strerror(errno);
      if (!old.empty()) rename(old.c_str(), directory_.c_str());
      return false;
    }
    rollwick_host::untrack_partial_folder();
    temporary_.clear();
    if (!old.empty() && !remove_frames(old, -1)) {
      error = "the new frames are in " + directory_ + "; the earlier ones are kept in " + old +
              ", which now holds something besides them";
      return false;
    }
    return true;
  }
  std::string problem() const override { return error_; }
  std::string summary() const override {
    return directory_ + "/: " + std::to_string(frames_) + " frame" + (frames_ == 1 ? "" : "s") + ", " +
           frame_name(0) + (frames_ > 1 ? " to " + frame_name(frames_ - 1) : "");
  }

  static std::string frame_name(int64_t index) {
    char name[32];
    std::snprintf(name, sizeof name, "frame-%05lld.png", static_cast<long long>(index));
    return name;
  }

 private:
  // Removes the frames of a folder this program wrote, then the folder if
  // that empties it: the first `frames` (all there are for -1). False when
  // the folder holds something else, which stays.
  static bool remove_frames(const std::string &folder, int64_t frames) {
    if (frames >= 0) {
      for (int64_t i = 0; i < frames; ++i) unlink((folder + "/" + frame_name(i)).c_str());
    } else if (DIR *listing = opendir(folder.c_str())) {
      std::vector<std::string> names;
      while (const dirent *entry = readdir(listing)) {
        if (rollwick_host::is_frame_name(entry->d_name)) names.push_back(entry->d_name);
      }
      closedir(listing);
      for (const std::string &name : names) unlink((folder + "/" + name).c_str());
    }
    rollwick_host::untrack_partial_folder();
    return rmdir(folder.c_str()) == 0;
  }

  std::string directory_;
  std::string temporary_;
  int64_t written_ = 0;
  int64_t frames_ = 0;
  std::string error_;
};

class SingleFrameOutput : public OutputSink {
 public:
  SingleFrameOutput(std::string path, int64_t wanted) : path_(std::move(path)), wanted_(wanted) {}
  void frame(int64_t index, const Canvas &canvas) override {
    if (index == wanted_) kept_ = canvas;
  }
  bool finish(int64_t total, std::string &error) override {
    if (wanted_ >= total) {
      error = "frame " + std::to_string(wanted_) + " was not reached: the preview has " + std::to_string(total) +
              " frames (0 to " + std::to_string(total - 1) + ")";
      return false;
    }
    return rollwick_host::write_png(path_, kept_, error);
  }
  std::string summary() const override { return path_ + ": frame " + std::to_string(wanted_); }

 private:
  std::string path_;
  int64_t wanted_;
  Canvas kept_;
};

// Keeps frames, shrunk to the sheet's cell size, on a grid of `stride`,
// doubling the stride whenever the grid holds more than four times the
// sheet's count: memory stays bounded whatever the length, and every sample
// lies within half a stride of its even spot. The last frame that shows
// something and the last picture of each wait are always kept.
class ContactSheetOutput : public OutputSink {
 public:
  ContactSheetOutput(std::string path, int count, const rollwick_host::Font *font, int scale, int columns)
      : path_(std::move(path)), count_(std::max(count, 1)), font_(font), scale_(scale), columns_(std::max(columns, 1)) {}

  void frame(int64_t index, const Canvas &canvas) override {
    const bool on_grid = index % stride_ == 0;
    last_ = {index, cell(canvas)};
    if (!std::all_of(canvas.pixels.begin(), canvas.pixels.end(), [&](uint32_t p) { return p == canvas.pixels[0]; })) {
      last_visible_ = last_;
    }
    if (!on_grid) return;
    kept_[index] = last_.second;
    if (static_cast<int>(kept_.size()) > 4 * count_) {
      stride_ *= 2;
      for (auto it = kept_.begin(); it != kept_.end();) it = it->first % stride_ == 0 ? std::next(it) : kept_.erase(it);
    }
  }

  bool finish(int64_t total, std::string &error) override {
    if (total == 0) {
      error = "the script shows no frame, so there is no contact sheet";
      return false;
    }
    if (last_visible_.first < 0) kept_[last_.first] = last_.second;  // all empty: show that
    // First the frames that must be there: the end of each wait and the last
    // that shows something; then the rest spread evenly between them.
    std::set<int64_t> must;
    if (last_visible_.first >= 0) must.insert(last_visible_.first);
    for (const auto &marked : marked_) {
      if (static_cast<int>(must.size()) >= count_) break;
      must.insert(marked.first);
    }
    for (const int64_t index : must) {
      if (index == last_visible_.first) kept_[index] = last_visible_.second;
      if (marked_.count(index)) kept_[index] = marked_.at(index);
    }
    std::set<int64_t> picked = must;
    const int wanted = static_cast<int>(std::min<int64_t>(count_, static_cast<int64_t>(kept_.size())));
    for (int i = 0; static_cast<int>(picked.size()) < wanted && i < 4 * count_; ++i) {
      // The kept frame farthest from every one picked so far.
      int64_t best = -1;
      int64_t best_gap = -1;
      for (const auto &candidate : kept_) {
        if (picked.count(candidate.first)) continue;
        const auto after = picked.lower_bound(candidate.first);
        int64_t gap = INT64_MAX;
        if (after != picked.end()) gap = *after - candidate.first;
        if (after != picked.begin()) gap = std::min(gap, candidate.first - *std::prev(after));
        if (picked.empty()) gap = candidate.first == 0 ? INT64_MAX : candidate.first;
        if (gap > best_gap) {
          best_gap = gap;
          best = candidate.first;
        }
      }
      if (best < 0) break;
      picked.insert(best);
    }
    const std::vector<int64_t> chosen(picked.begin(), picked.end());
    const Canvas &sample = kept_.begin()->second;
    const int label_height = 16;
    const int gap = 4;
    const int columns = std::min<int>(columns_, static_cast<int>(chosen.size()));
    const int rows = static_cast<int>((chosen.size() + columns - 1) / columns);
    Canvas sheet(gap + columns * (sample.width + gap), gap + rows * (sample.height + label_height + gap), 0x303030);
    for (size_t n = 0; n < chosen.size(); ++n) {
      const Canvas &frame = kept_.at(chosen[n]);
      const int left = gap + static_cast<int>(n % columns) * (sample.width + gap);
      const int top = gap + static_cast<int>(n / columns) * (sample.height + label_height + gap);
      for (int y = 0; y < frame.height; ++y) {
        for (int x = 0; x < frame.width; ++x) sheet.put(left + x, top + y, frame.at(x, y));
      }
      if (font_ != nullptr) {
        const std::string label = "frame " + std::to_string(chosen[n]);
        font_->draw(sheet, left + 2, top + sample.height + 2, label.c_str(), 0xE0E0E0);
      }
    }
    shown_ = chosen.size();
    return rollwick_host::write_png(path_, sheet, error);
  }
  std::string summary() const override {
    return path_ + ": a contact sheet of " + std::to_string(shown_) + " frame" + (shown_ == 1 ? "" : "s");
  }

 private:
  // Frames are shrunk by a whole factor: the one asked for, or by default
  // none up to 400 pixels high and enough to come near 400 above that.
  Canvas cell(const Canvas &frame) const {
    const int scale = scale_ > 0 ? scale_ : (frame.height > 400 ? (frame.height + 399) / 400 : 1);
    if (scale == 1) return frame;
    Canvas shrunk(frame.width / scale, frame.height / scale);
    for (int y = 0; y < shrunk.height; ++y) {
      for (int x = 0; x < shrunk.width; ++x) shrunk.put(x, y, frame.at(x * scale, y * scale));
    }
    return shrunk;
  }

  std::string path_;
  int count_;
  const rollwick_host::Font *font_;
  int scale_;
  int columns_;
  int64_t stride_ = 1;
  std::map<int64_t, Canvas> kept_;
  std::pair<int64_t, Canvas> last_;
  std::pair<int64_t, Canvas> last_visible_{-1, Canvas()};
  std::map<int64_t, Canvas> marked_;  // the last pictures of the waits
  size_t shown_ = 0;
  int64_t previous_wait_end_ = -1;

 public:
  // The last picture of each wait: its last frame that showed something.
  void wait_ended(int64_t index) override {
    if (static_cast<int>(marked_.size()) < 4 * count_ && last_visible_.first > previous_wait_end_) {
      marked_[last_visible_.first] = last_visible_.second;
    }
    previous_wait_end_ = index;
  }
};

}  // namespace

std::unique_ptr<OutputSink> make_gif_output(const std::string &path, int width, int height,
                                            const std::vector<std::pair<int64_t, int>> &speeds) {
  return std::make_unique<GifOutput>(path, width, height, speeds);
}
std::unique_ptr<OutputSink> make_png_frames_output(const std::string &directory) {
  return std::make_unique<PngFramesOutput>(directory);
}
std::unique_ptr<OutputSink> make_single_frame_output(const std::string &path, int64_t frame) {
  return std::make_unique<SingleFrameOutput>(path, frame);
}
std::unique_ptr<OutputSink> make_contact_sheet_output(const std::string &path, int count,
                                                      const rollwick_host::Font *label_font, int scale, int columns) {
  return std::make_unique<ContactSheetOutput>(path, count, label_font, scale, columns);
}

}  // namespace rollwick_preview
