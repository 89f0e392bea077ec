// Sound for a video of the credits: sound files decoded with FFmpeg's
// libraries (wav, ogg, mp3, anything libavformat reads) to 48 kHz stereo,
// and a mix in which each sound the plug-in plays starts at its frame's time,
// over an optional background track cut and faded to the video's length.
//
// Errors: decode_audio_file returns false with `error` naming the file.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace rollwick_preview {

constexpr int AUDIO_RATE = 48000;

// Interleaved stereo samples, left then right, from -1 to 1.
struct AudioClip {
  std::vector<float> samples;
  int64_t frames() const { return static_cast<int64_t>(samples.size() / 2); }
};

// Decodes at most `longest_seconds` of the file (a video needs no more than
// its own length); a sample rate outside 4 kHz to 384 kHz is refused.
bool decode_audio_file(const std::string &path, AudioClip &clip, std::string &error, double longest_seconds = 600);

// FFmpeg's words for one of its error codes.
std::string ffmpeg_error(int code);

// One music track from the clips a script started: silence up to the first
// start, then each clip from its frame until the next one starts.
AudioClip music_track(const std::vector<std::pair<int64_t, const AudioClip *>> &starts, int fps);

class AudioMix {
 public:
  // Sounds by number; `music` (may be empty) plays from the start, under
  // them. Video frames come at `fps`.
  AudioMix(std::map<int, AudioClip> sounds, AudioClip music, int fps);
  AudioMix(const AudioMix &) = delete;
  AudioMix &operator=(const AudioMix &) = delete;

  // Starts sound `number` at the time of video frame `frame`; false when it
  // has no clip.
  bool play(int number, int64_t frame);
  // The mix from the last sample given up to the start of video frame
  // `frame`, appended to `out`. `total_frames` (0 while unknown) lets the
  // music fade out over the video's last second.
  void render_until(int64_t frame, int64_t total_frames, std::vector<float> &out);

 private:
  struct Voice {
    const AudioClip *clip;
    int64_t start;  // sample at which it begins
  };
  int64_t sample_of(int64_t frame) const { return frame * AUDIO_RATE / fps_; }

  std::map<int, AudioClip> sounds_;
  AudioClip music_;
  int fps_;
  std::vector<Voice> voices_;
  int64_t rendered_ = 0;  // samples given so far
};

}  // namespace rollwick_preview
