// Where rendered frames go: an animated GIF, numbered PNGs, one PNG, or a
// contact sheet. Every file is written under a fresh name beside its target
// and moved into place when complete (see user_files.h), so it is whole or
// absent.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "canvas.h"
#include "fonts.h"
#include "runner.h"

namespace rollwick_preview {

class OutputSink : public FrameSink {
 public:
  // Completes the output after `total` frames; false with `error` set. An
  // output destroyed before it finished leaves no file behind.
  virtual bool finish(int64_t total, std::string &error) = 0;
  // A line about what was written, or empty.
  virtual std::string summary() const { return ""; }
  // Why the output cannot be written, found before any frame (an encoder
  // that will not open); empty when it can.
  virtual std::string problem() const { return ""; }
};

// The time of the first `frames` frames at `fps`, in hundredths of a second, rounded.
int64_t gif_time(int64_t frames, int fps);
// The same at the speeds of a run (from each frame on, so many a second).
int64_t gif_time(int64_t frames, const std::vector<std::pair<int64_t, int>> &speeds);

// The pictures on a contact sheet unless asked for another number.
constexpr int DEFAULT_SHEET_FRAMES = 12;

std::unique_ptr<OutputSink> make_gif_output(const std::string &path, int width, int height,
                                            const std::vector<std::pair<int64_t, int>> &speeds);
std::unique_ptr<OutputSink> make_png_frames_output(const std::string &directory);
std::unique_ptr<OutputSink> make_single_frame_output(const std::string &path, int64_t frame);
// A sheet of `count` frames, each labelled with its number: the last that
// shows something and the ends of the waits first, the rest sampled evenly;
// each shrunk by `scale` (0: by none for games up to 400 high, else enough
// to bring them near 400), `columns` to a row.
std::unique_ptr<OutputSink> make_contact_sheet_output(const std::string &path, int count,
                                                      const rollwick_host::Font *label_font, int scale = 0,
                                                      int columns = 4);

}  // namespace rollwick_preview
