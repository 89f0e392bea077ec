#include "outputs.h"

#include <gif_lib.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <unordered_map>

#include "png_files.h"

namespace rollwick_preview {

using rollwick_host::Canvas;

int gif_delay(int64_t index, int fps) {
  const auto elapsed = [fps](int64_t frames) { return (frames * 100 + fps / 2) / fps; };
  return static_cast<int>(elapsed(index + 1) - elapsed(index));
}

namespace {

// A frame as palette indices: its own colours when there are 256 or fewer,
// otherwise 3-3-2 levels of red, green and blue.
struct IndexedFrame {
  std::vector<GifColorType> palette = std::vector<GifColorType>(256, GifColorType{0, 0, 0});
  std::vector<GifPixelType> indices;
};

IndexedFrame index_frame(const Canvas &canvas) {
  IndexedFrame frame;
  frame.indices.resize(canvas.pixels.size());
  std::unordered_map<uint32_t, GifPixelType> colours;
  bool fits = true;
  for (size_t i = 0; i < canvas.pixels.size() && fits; ++i) {
    auto found = colours.find(canvas.pixels[i]);
    if (found == colours.end()) {
      if (colours.size() == 256) {
        fits = false;
        break;
      }
      const auto index = static_cast<GifPixelType>(colours.size());
      const uint32_t rgb = canvas.pixels[i];
      frame.palette[index] = GifColorType{static_cast<GifByteType>(rgb >> 16), static_cast<GifByteType>(rgb >> 8),
                                          static_cast<GifByteType>(rgb)};
      found = colours.emplace(rgb, index).first;
    }
    frame.indices[i] = found->second;
  }
  if (fits) return frame;
  for (int i = 0; i < 256; ++i) {
    frame.palette[i] = GifColorType{static_cast<GifByteType>((i >> 5) * 255 / 7),
                                    static_cast<GifByteType>(((i >> 2) & 7) * 255 / 7),
                                    static_cast<GifByteType>((i & 3) * 255 / 3)};
  }
  for (size_t i = 0; i < canvas.pixels.size(); ++i) {
    const uint32_t rgb = canvas.pixels[i];
    frame.indices[i] = static_cast<GifPixelType>(((rgb >> 21) & 7) << 5 | ((rgb >> 13) & 7) << 2 | ((rgb >> 6) & 3));
  }
  return frame;
}

class GifOutput : public OutputSink {
 public:
  GifOutput(std::string path, int width, int height, int fps)
      : path_(std::move(path)), temporary_(path_ + ".partial"), width_(width), height_(height), fps_(fps) {
    int error = 0;
    const int descriptor = open(temporary_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    gif_ = descriptor >= 0 ? EGifOpenFileHandle(descriptor, &error) : nullptr;
    if (gif_ == nullptr) {
      if (descriptor < 0) error = E_GIF_ERR_OPEN_FAILED;
      if (descriptor >= 0) close(descriptor);
      error_ = std::string("cannot write ") + path_ + ": " + GifErrorString(error);
      return;
    }
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
    if (gif_ != nullptr) {
      int error = 0;
      EGifCloseFile(gif_, &error);
      std::remove(temporary_.c_str());
    }
  }

  void frame(int64_t index, const Canvas &canvas) override {
    if (gif_ == nullptr || !error_.empty()) return;
    GraphicsControlBlock control;
    control.DisposalMode = DISPOSAL_UNSPECIFIED;
    control.UserInputFlag = false;
    control.DelayTime = gif_delay(index, fps_);
    control.TransparentColor = NO_TRANSPARENT_COLOR;
    GifByteType extension[4];
    EGifGCBToExtension(&control, extension);
    IndexedFrame indexed = index_frame(canvas);
    ColorMapObject *palette = GifMakeMapObject(256, indexed.palette.data());
    bool ok = EGifPutExtension(gif_, GRAPHICS_EXT_FUNC_CODE, 4, extension) != GIF_ERROR &&
              EGifPutImageDesc(gif_, 0, 0, width_, height_, false, palette) != GIF_ERROR;
    for (int row = 0; ok && row < height_; ++row) {
      ok = EGifPutLine(gif_, indexed.indices.data() + static_cast<size_t>(row) * width_, width_) != GIF_ERROR;
    }
    GifFreeMapObject(palette);
    if (!ok) fail();
  }

  bool finish(int64_t, std::string &error) override {
    if (gif_ == nullptr) {
      error = error_;
      return false;
    }
    int code = 0;
    const bool closed = EGifCloseFile(gif_, &code) != GIF_ERROR;
    gif_ = nullptr;
    if (!error_.empty() || !closed) {
      error = !error_.empty() ? error_ : std::string("cannot finish ") + path_ + ": " + GifErrorString(code);
      std::remove(temporary_.c_str());
      return false;
    }
    return rollwick_host::commit_file(temporary_, path_, error);
  }

 private:
  void fail() {
    if (error_.empty()) error_ = std::string("cannot write ") + path_ + ": " + GifErrorString(gif_->Error);
  }

  std::string path_;
  std::string temporary_;
  int width_;
  int height_;
  int fps_;
  GifFileType *gif_ = nullptr;
  std::string error_;
};

class PngFramesOutput : public OutputSink {
 public:
  explicit PngFramesOutput(std::string directory) : directory_(std::move(directory)) {
    mkdir(directory_.c_str(), 0755);
  }
  void frame(int64_t index, const Canvas &canvas) override {
    if (!error_.empty()) return;
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%05lld.png", static_cast<long long>(index));
    rollwick_host::write_png(directory_ + name, canvas, error_);
  }
  bool finish(int64_t, std::string &error) override {
    error = error_;
    return error_.empty();
  }

 private:
  std::string directory_;
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

 private:
  std::string path_;
  int64_t wanted_;
  Canvas kept_;
};

// Keeps frames, shrunk to the sheet's cell size, on a grid of `stride`,
// doubling the stride whenever the grid holds more than four times the
// sheet's count: memory stays bounded whatever the length, and every sample
// lies within half a stride of its even spot. The last frame is always kept.
class ContactSheetOutput : public OutputSink {
 public:
  ContactSheetOutput(std::string path, int count, const rollwick_host::Font *font)
      : path_(std::move(path)), count_(std::max(count, 1)), font_(font) {}

  void frame(int64_t index, const Canvas &canvas) override {
    const bool on_grid = index % stride_ == 0;
    last_ = {index, cell(canvas)};
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
    kept_[last_.first] = last_.second;
    std::vector<int64_t> chosen;
    const int count = static_cast<int>(std::min<int64_t>(count_, static_cast<int64_t>(kept_.size())));
    for (int i = 0; i < count; ++i) {
      const int64_t target = count == 1 ? total - 1 : i * (total - 1) / (count - 1);
      auto best = kept_.lower_bound(target);
      if (best == kept_.end() || (best != kept_.begin() && target - std::prev(best)->first < best->first - target)) {
        best = std::prev(best);
      }
      if (chosen.empty() || chosen.back() != best->first) chosen.push_back(best->first);
    }
    const Canvas &sample = kept_.begin()->second;
    const int label_height = 16;
    const int gap = 4;
    const int columns = std::min<int>(4, static_cast<int>(chosen.size()));
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
    return rollwick_host::write_png(path_, sheet, error);
  }

 private:
  // Frames wider than 400 pixels are shrunk by a whole factor.
  static Canvas cell(const Canvas &frame) {
    const int scale = frame.width > 400 ? (frame.width + 399) / 400 : 1;
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
  int64_t stride_ = 1;
  std::map<int64_t, Canvas> kept_;
  std::pair<int64_t, Canvas> last_;
};

}  // namespace

std::unique_ptr<OutputSink> make_gif_output(const std::string &path, int width, int height, int fps) {
  return std::make_unique<GifOutput>(path, width, height, fps);
}
std::unique_ptr<OutputSink> make_png_frames_output(const std::string &directory) {
  return std::make_unique<PngFramesOutput>(directory);
}
std::unique_ptr<OutputSink> make_single_frame_output(const std::string &path, int64_t frame) {
  return std::make_unique<SingleFrameOutput>(path, frame);
}
std::unique_ptr<OutputSink> make_contact_sheet_output(const std::string &path, int count,
                                                      const rollwick_host::Font *label_font) {
  return std::make_unique<ContactSheetOutput>(path, count, label_font);
}

}  // namespace rollwick_preview
