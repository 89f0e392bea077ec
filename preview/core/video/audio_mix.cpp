#include "audio_mix.h"

#include "user_files.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <memory>

namespace rollwick_preview {

std::string ffmpeg_error(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

namespace {

struct FormatCloser {
  void operator()(AVFormatContext *format) const { avformat_close_input(&format); }
};
struct CodecCloser {
  void operator()(AVCodecContext *codec) const { avcodec_free_context(&codec); }
};
struct ResamplerCloser {
  void operator()(SwrContext *resampler) const { swr_free(&resampler); }
};
struct FrameCloser {
  void operator()(AVFrame *frame) const { av_frame_free(&frame); }
};
struct PacketCloser {
  void operator()(AVPacket *packet) const { av_packet_free(&packet); }
};

// Appends what the resampler gives for `frame` (or its remainder, for null).
void resample(SwrContext *resampler, const AVFrame *frame, AudioClip &clip) {
  const int in_count = frame != nullptr ? frame->nb_samples : 0;
  const int out_count = swr_get_out_samples(resampler, in_count);
  if (out_count <= 0) return;
  std::vector<float> out(static_cast<size_t>(out_count) * 2);
  uint8_t *planes[] = {reinterpret_cast<uint8_t *>(out.data())};
  const int made = swr_convert(resampler, planes, out_count,
                               frame != nullptr ? const_cast<const uint8_t **>(frame->extended_data) : nullptr, in_count);
  if (made > 0) clip.samples.insert(clip.samples.end(), out.begin(), out.begin() + static_cast<ptrdiff_t>(made) * 2);
}

}  // namespace

bool decode_audio_file(const std::string &path, AudioClip &clip, std::string &error, double longest_seconds) {
  const int64_t most_frames = static_cast<int64_t>(std::max(0.0, longest_seconds) * AUDIO_RATE) + 1;
  clip = AudioClip{};
  error = rollwick_host::input_problem(path);
  if (!error.empty()) return false;
  av_log_set_level(AV_LOG_ERROR);
  AVFormatContext *opened = nullptr;
  int status = avformat_open_input(&opened, path.c_str(), nullptr, nullptr);
  if (status < 0) {
    error = "cannot read " + path + ": " + ffmpeg_error(status);
    return false;
  }
  std::unique_ptr<AVFormatContext, FormatCloser> format(opened);
  if ((status = avformat_find_stream_info(format.get(), nullptr)) < 0) {
    error = path + ": " + ffmpeg_error(status);
    return false;
  }
  const AVCodec *decoder = nullptr;
  const int stream = av_find_best_stream(format.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
  if (stream < 0 || decoder == nullptr) {
    error = path + " holds no sound that can be decoded";
    return false;
  }
  std::unique_ptr<AVCodecContext, CodecCloser> codec(avcodec_alloc_context3(decoder));
  avcodec_parameters_to_context(codec.get(), format->streams[stream]->codecpar);
  if ((status = avcodec_open2(codec.get(), decoder, nullptr)) < 0) {
    error = path + ": " + ffmpeg_error(status);
    return false;
  }
  if (codec->sample_rate < 4000 || codec->sample_rate > 384000) {
    error = path + ": a sample rate of " + std::to_string(codec->sample_rate) +
            " Hz, outside what sound files use (4 kHz to 384 kHz)";
    return false;
  }
  if (codec->ch_layout.nb_channels < 1 || codec->ch_layout.nb_channels > 64) {
    error = path + ": " + std::to_string(codec->ch_layout.nb_channels) + " channels";
    return false;
  }
  SwrContext *made = nullptr;
  AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
  if (codec->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) av_channel_layout_default(&codec->ch_layout, codec->ch_layout.nb_channels);
  if (swr_alloc_set_opts2(&made, &stereo, AV_SAMPLE_FMT_FLT, AUDIO_RATE, &codec->ch_layout, codec->sample_fmt,
                          codec->sample_rate, 0, nullptr) < 0 ||
      swr_init(made) < 0) {
    swr_free(&made);
    error = path + ": its sound cannot be converted to 48 kHz stereo";
    return false;
  }
  std::unique_ptr<SwrContext, ResamplerCloser> resampler(made);
  std::unique_ptr<AVPacket, PacketCloser> packet(av_packet_alloc());
  std::unique_ptr<AVFrame, FrameCloser> frame(av_frame_alloc());
  // A stream may change its layout midway (a damaged or spliced file); the
  // resampler reads as many planes as it was set up for, so a frame that
  // differs from the stream's start is left out rather than read past its end.
  const int channels = codec->ch_layout.nb_channels;
  const int sample_format = codec->sample_fmt;
  const int sample_rate = codec->sample_rate;
  const auto drain = [&]() {
    while (avcodec_receive_frame(codec.get(), frame.get()) >= 0) {
      if (frame->ch_layout.nb_channels == channels && frame->format == sample_format &&
          frame->sample_rate == sample_rate) {
        resample(resampler.get(), frame.get(), clip);
      }
      av_frame_unref(frame.get());
    }
  };
  while (clip.frames() < most_frames && av_read_frame(format.get(), packet.get()) >= 0) {
    if (packet->stream_index == stream && avcodec_send_packet(codec.get(), packet.get()) >= 0) drain();
    av_packet_unref(packet.get());
  }
  if (clip.frames() < most_frames) {
    avcodec_send_packet(codec.get(), nullptr);
    drain();
    resample(resampler.get(), nullptr, clip);
  }
  if (clip.frames() > most_frames) clip.samples.resize(static_cast<size_t>(most_frames) * 2);
  return true;
}

AudioClip music_track(const std::vector<std::pair<int64_t, const AudioClip *>> &starts, int fps) {
  AudioClip track;
  for (size_t i = 0; i < starts.size(); ++i) {
    const size_t begin = static_cast<size_t>(starts[i].first * AUDIO_RATE / fps) * 2;
    track.samples.resize(std::max(track.samples.size(), begin), 0.0f);
    track.samples.resize(begin);  // a new clip cuts the one before it
    const std::vector<float> &samples = starts[i].second->samples;
    size_t length = samples.size();
    if (i + 1 < starts.size()) {
      const size_t next = static_cast<size_t>(starts[i + 1].first * AUDIO_RATE / fps) * 2;
      length = std::min(length, next - begin);
    }
    track.samples.insert(track.samples.end(), samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(length));
  }
  return track;
}

AudioMix::AudioMix(std::map<int, AudioClip> sounds, AudioClip music, int fps)
    : sounds_(std::move(sounds)), music_(std::move(music)), fps_(fps) {
  if (!music_.samples.empty()) voices_.push_back({&music_, 0});
}

bool AudioMix::play(int number, int64_t frame) {
  const auto found = sounds_.find(number);
  if (found == sounds_.end()) return false;
  voices_.push_back({&found->second, sample_of(frame)});
  return true;
}

void AudioMix::render_until(int64_t frame, int64_t total_frames, std::vector<float> &out) {
  const int64_t end = sample_of(frame);
  if (end <= rendered_) return;
  const size_t first = out.size();
  out.resize(first + static_cast<size_t>(end - rendered_) * 2, 0.0F);
  const int64_t total = total_frames > 0 ? sample_of(total_frames) : 0;
  const int64_t fade = AUDIO_RATE;  // the music's last second
  for (const Voice &voice : voices_) {
    const bool music = voice.clip == &music_;
    for (int64_t at = std::max(rendered_, voice.start); at < end; ++at) {
      const int64_t offset = at - voice.start;
      if (offset >= voice.clip->frames()) break;
      float gain = 1.0F;
      if (music && total > 0 && at > total - fade) gain = std::max(0.0F, static_cast<float>(total - at) / fade);
      const size_t to = first + static_cast<size_t>(at - rendered_) * 2;
      out[to] += gain * voice.clip->samples[static_cast<size_t>(offset) * 2];
      out[to + 1] += gain * voice.clip->samples[static_cast<size_t>(offset) * 2 + 1];
    }
  }
  for (size_t i = first; i < out.size(); ++i) out[i] = std::max(-1.0F, std::min(1.0F, out[i]));
  rendered_ = end;
  voices_.erase(std::remove_if(voices_.begin(), voices_.end(),
                               [&](const Voice &voice) { return voice.start + voice.clip->frames() <= rendered_; }),
                voices_.end());
}

}  // namespace rollwick_preview
