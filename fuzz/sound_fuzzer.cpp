// Fuzzes sound decoding: any file FFmpeg's libraries open, decoded to the
// video's 48 kHz stereo for at most half a second, then mixed.
#include "audio_mix.h"
#include "fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzFile sound(data, size, "sound.wav");
  rollwick_preview::AudioClip clip;
  std::string error;
  if (!rollwick_preview::decode_audio_file(sound.path(), clip, error, 0.5)) return 0;
  if (clip.frames() > rollwick_preview::AUDIO_RATE / 2 + 1) __builtin_trap();  // no more than asked for
  std::map<int, rollwick_preview::AudioClip> sounds{{1, clip}};
  rollwick_preview::AudioMix mix(sounds, clip, 40);
  mix.play(1, 3);
  std::vector<float> out;
  mix.render_until(20, 20, out);  // half a second at 40 frames a second
  return 0;
}
