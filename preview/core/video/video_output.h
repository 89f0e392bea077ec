// The credits as a video, written with FFmpeg's libraries: one video frame
// for every game frame at the game's speed, each pixel made a square of
// `scale` pixels, and the sounds the plug-in plays mixed in at their frames.
//
//   FILE.mp4   H.264 (yuv420p, moov atom first so browsers start at once), AAC
//   FILE.webm  VP9 (yuv420p), Opus
//   FILE.mkv   H.264 in RGB at quantiser 0, lossless: decodes to the previewer's frames; FLAC
//
// Errors: a file that cannot be written, or an encoder that will not open,
// is reported by finish(); the file is then absent.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "audio_mix.h"
#include "game_defaults.h"
#include "outputs.h"

namespace rollwick_preview {

struct VideoSettings {
  int width = DEFAULT_SCREEN_WIDTH;
  int height = DEFAULT_SCREEN_HEIGHT;
  int fps = DEFAULT_GAME_SPEED;
  int scale = 1;
  // The sounds played so far, by frame (the engine's log), read as frames
  // arrive; null for a video without sound.
  const std::vector<std::pair<int64_t, int>> *sounds_played = nullptr;
};

// True for the file names a video is written to (.mp4, .webm, .mkv).
bool is_video_file(const std::string &path);

// The smallest whole scale that makes `height` 720 or more.
int default_video_scale(int height);

std::unique_ptr<OutputSink> make_video_output(const std::string &path, const VideoSettings &settings,
                                              std::map<int, AudioClip> sounds, AudioClip music);

}  // namespace rollwick_preview
