// Where rendered frames go: an animated GIF, numbered PNGs, one PNG, or a
// contact sheet. Every file is written under a temporary name and moved into
// place when complete, so it is whole or absent.
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
  // Completes the output after `total` frames; false with `error` set.
  virtual bool finish(int64_t total, std::string &error) = 0;
};

// Delay of frame `index` in hundredths of a second at `fps`, spread so the
// delays of the first n frames add up to n / fps seconds, rounded.
int gif_delay(int64_t index, int fps);

std::unique_ptr<OutputSink> make_gif_output(const std::string &path, int width, int height, int fps);
std::unique_ptr<OutputSink> make_png_frames_output(const std::string &directory);
std::unique_ptr<OutputSink> make_single_frame_output(const std::string &path, int64_t frame);
// A sheet of `count` evenly sampled frames, each labelled with its number.
std::unique_ptr<OutputSink> make_contact_sheet_output(const std::string &path, int count,
                                                      const rollwick_host::Font *label_font);

}  // namespace rollwick_preview
