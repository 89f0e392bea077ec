#include "video_output.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <set>

#include <unistd.h>

#include "user_files.h"

namespace rollwick_preview {

namespace {

std::string extension_of(const std::string &path) {
  const size_t dot = path.rfind('.');
  std::string extension = dot == std::string::npos ? "" : path.substr(dot + 1);
  for (char &c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

// What each kind of file holds.
struct Recipe {
  const char *muxer;
  const char *video_encoder;
  AVPixelFormat pixels;
  const char *audio_encoder;
};

Recipe recipe_for(const std::string &extension) {
  if (extension == "webm") return {"webm", "libvpx-vp9", AV_PIX_FMT_YUV420P, "libopus"};
  if (extension == "mkv") return {"matroska", "libx264rgb", AV_PIX_FMT_BGR0, "flac"};
  return {"mp4", "libx264", AV_PIX_FMT_YUV420P, "aac"};
}

class VideoOutput : public OutputSink {
 public:
  VideoOutput(std::string path, const VideoSettings &settings, std::map<int, AudioClip> sounds, AudioClip music)
      : path_(std::move(path)), settings_(settings),
        recipe_(recipe_for(extension_of(path_))), with_audio_(settings.sounds_played != nullptr),
        heard_(!music.samples.empty()), audible_(with_samples(sounds)),
        mix_(std::move(sounds), std::move(music), settings.fps) {
    // FFmpeg opens the file by its name; the descriptor only reserved the name.
    if (!partial_.create(path_, error_)) return;
    close(partial_.descriptor());
    partial_.forget_descriptor();
    open();
  }

  ~VideoOutput() override { close_all(); }

  void frame(int64_t index, const rollwick_host::Canvas &canvas) override {
    if (!error_.empty()) return;
    if (with_audio_) {
      const auto &played = *settings_.sounds_played;
      for (; sounds_seen_ < played.size(); ++sounds_seen_) {
        mix_.play(played[sounds_seen_].second, played[sounds_seen_].first);
        heard_ = heard_ || audible_.count(played[sounds_seen_].second) != 0;
      }
      // The last second waits until the length is known, for the music's fade.
      mix_.render_until(std::max<int64_t>(0, index + 1 - settings_.fps), 0, audio_pending_);
      encode_audio(false);
    }
    encode_video(index, canvas);
  }

  bool finish(int64_t total, std::string &error) override {
    if (error_.empty()) {
      if (with_audio_) {
        mix_.render_until(total, total, audio_pending_);
        encode_audio(true);
        send_audio(nullptr);
      }
      send_video(nullptr);
    }
    if (error_.empty()) {
      const int status = av_write_trailer(format_);
      if (status < 0) fail("cannot finish", status);
    }
    close_all();
    if (!error_.empty()) {
      error = error_;
      partial_.discard();
      return false;
    }
    return partial_.commit(error);
  }

  std::string problem() const override { return error_; }

  static std::set<int> with_samples(const std::map<int, AudioClip> &sounds) {
    std::set<int> numbers;
    for (const auto &sound : sounds) {
      if (!sound.second.samples.empty()) numbers.insert(sound.first);
    }
    return numbers;
  }

  std::string summary() const override {
    return path_ + ": " + std::to_string(frames_) + " video frames at " + std::to_string(settings_.fps) +
           " a second, " + std::to_string(width_) + "x" + std::to_string(height_) + " (scale " +
           std::to_string(settings_.scale) + ")" + (heard_ ? ", with sound" : ", silent");
  }

 private:
  void fail(const std::string &what, int status) {
    if (error_.empty()) error_ = what + " " + path_ + ": " + ffmpeg_error(status);
  }

  AVCodecContext *open_encoder(const char *name, AVStream *&stream) {
    const AVCodec *encoder = avcodec_find_encoder_by_name(name);
    if (encoder == nullptr) {
      error_ = "cannot write " + path_ + ": this FFmpeg has no " + name + " encoder";
      return nullptr;
    }
    stream = avformat_new_stream(format_, nullptr);
    return avcodec_alloc_context3(encoder);
  }

  void open() {
    av_log_set_level(AV_LOG_ERROR);  // the libraries' chatter; errors come back as results
    int status = avformat_alloc_output_context2(&format_, nullptr, recipe_.muxer, partial_.path().c_str());
    if (status < 0 || format_ == nullptr) return fail("cannot write", status);
    width_ = settings_.width * settings_.scale;
    height_ = settings_.height * settings_.scale;

    video_ = open_encoder(recipe_.video_encoder, video_stream_);
    if (video_ == nullptr) return;
    video_->width = width_;
    video_->height = height_;
    video_->pix_fmt = recipe_.pixels;
    video_->time_base = AVRational{1, settings_.fps};
    video_->framerate = AVRational{settings_.fps, 1};
    video_->gop_size = settings_.fps * 2;
    video_->thread_count = 0;  // as many as the machine has
    if (recipe_.pixels == AV_PIX_FMT_YUV420P) {
      video_->colorspace = AVCOL_SPC_SMPTE170M;
      video_->color_primaries = AVCOL_PRI_SMPTE170M;
      video_->color_trc = AVCOL_TRC_SMPTE170M;
      video_->color_range = AVCOL_RANGE_MPEG;
    }
    if (format_->oformat->flags & AVFMT_GLOBALHEADER) video_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary *options = nullptr;
    if (std::string(recipe_.video_encoder) == "libx264") {
      av_dict_set(&options, "preset", "ultrafast", 0);
      av_dict_set(&options, "crf", "16", 0);
    } else if (std::string(recipe_.video_encoder) == "libvpx-vp9") {
      av_dict_set(&options, "deadline", "realtime", 0);
      av_dict_set(&options, "cpu-used", "8", 0);
      av_dict_set(&options, "tile-columns", "2", 0);
      av_dict_set(&options, "row-mt", "1", 0);
      // Credits are screen content that mostly holds still: tuned for it, no
      // look-ahead, blocks that did not change left as they are.
      av_dict_set(&options, "tune-content", "screen", 0);
      av_dict_set(&options, "lag-in-frames", "0", 0);
      av_dict_set(&options, "static-thresh", "100", 0);
      av_dict_set(&options, "aq-mode", "0", 0);
      av_dict_set(&options, "crf", "16", 0);
      av_dict_set(&options, "b", "0", 0);
    } else {
      // Lossless RGB: x264's fastest preset at quantiser 0 keeps every pixel
      // and, on credits, packs several times tighter and encodes several
      // times faster than FFV1.
      av_dict_set(&options, "preset", "ultrafast", 0);
      av_dict_set(&options, "qp", "0", 0);
    }
    status = avcodec_open2(video_, video_->codec, &options);
    av_dict_free(&options);
    if (status < 0) return fail(std::string("cannot open the ") + recipe_.video_encoder + " encoder for", status);
    avcodec_parameters_from_context(video_stream_->codecpar, video_);
    video_stream_->time_base = video_->time_base;
    video_stream_->avg_frame_rate = video_->framerate;

    if (with_audio_) {
      audio_ = open_encoder(recipe_.audio_encoder, audio_stream_);
      if (audio_ == nullptr) return;
      const AVSampleFormat *formats = audio_->codec->sample_fmts;
      audio_->sample_fmt = formats != nullptr ? formats[0] : AV_SAMPLE_FMT_FLTP;
      audio_->sample_rate = AUDIO_RATE;
      AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
      av_channel_layout_copy(&audio_->ch_layout, &stereo);
      audio_->time_base = AVRational{1, AUDIO_RATE};
      if (std::string(recipe_.audio_encoder) != "flac") audio_->bit_rate = 160000;
      if (format_->oformat->flags & AVFMT_GLOBALHEADER) audio_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
      if ((status = avcodec_open2(audio_, audio_->codec, nullptr)) < 0) {
        return fail(std::string("cannot open the ") + recipe_.audio_encoder + " encoder for", status);
      }
      avcodec_parameters_from_context(audio_stream_->codecpar, audio_);
      audio_stream_->time_base = audio_->time_base;
      audio_frame_size_ = audio_->frame_size > 0 ? audio_->frame_size : 1024;
    }

    if ((status = avio_open(&format_->pb, partial_.path().c_str(), AVIO_FLAG_WRITE)) < 0) return fail("cannot write", status);
    AVDictionary *muxing = nullptr;
    if (std::string(recipe_.muxer) == "mp4") av_dict_set(&muxing, "movflags", "+faststart", 0);
    status = avformat_write_header(format_, &muxing);
    av_dict_free(&muxing);
    if (status < 0) return fail("cannot write", status);
    picture_ = av_frame_alloc();
    picture_->format = recipe_.pixels;
    picture_->width = width_;
    picture_->height = height_;
    av_frame_get_buffer(picture_, 0);
    if (recipe_.pixels != AV_PIX_FMT_BGR0) {
      converter_ = sws_getContext(width_, height_, AV_PIX_FMT_BGR0, width_, height_, recipe_.pixels, SWS_POINT,
                                  nullptr, nullptr, nullptr);
    }
  }

  // BT.601 in the limited range, as players assume for these streams. With
  // an even scale every 2x2 block of the picture lies inside one game pixel,
  // so chroma subsampling takes nothing from its neighbours: the planes are
  // filled straight from the game's pixels.
  void fill_yuv420(const rollwick_host::Canvas &canvas) {
    const int scale = settings_.scale;
    const int half = scale / 2;
    for (int y = 0; y < canvas.height; ++y) {
      // One row of each plane from the game's row, then copied down.
      uint8_t *luma = picture_->data[0] + static_cast<ptrdiff_t>(y * scale) * picture_->linesize[0];
      uint8_t *blue = picture_->data[1] + static_cast<ptrdiff_t>(y * half) * picture_->linesize[1];
      uint8_t *red = picture_->data[2] + static_cast<ptrdiff_t>(y * half) * picture_->linesize[2];
      const uint32_t *row = canvas.pixels.data() + static_cast<size_t>(y) * canvas.width;
      uint32_t last = ~row[0];
      uint8_t l = 0, u = 0, v = 0;
      for (int x = 0; x < canvas.width; ++x) {
        const uint32_t rgb = row[x];
        if (rgb != last) {
          last = rgb;
          const int r = static_cast<int>((rgb >> 16) & 0xFF);
          const int g = static_cast<int>((rgb >> 8) & 0xFF);
          const int b = static_cast<int>(rgb & 0xFF);
          l = static_cast<uint8_t>(((66 * r + 129 * g + 25 * b + 128) >> 8) + 16);
          u = static_cast<uint8_t>(((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128);
          v = static_cast<uint8_t>(((112 * r - 94 * g - 18 * b + 128) >> 8) + 128);
        }
        if (scale == 2) {  // the usual scales, stored whole rather than byte by byte
          const uint16_t pair = static_cast<uint16_t>(l | l << 8);
          std::memcpy(luma + x * 2, &pair, 2);
          blue[x] = u;
          red[x] = v;
        } else if (scale == 4) {
          const uint32_t quad = 0x01010101U * l;
          std::memcpy(luma + x * 4, &quad, 4);
          const uint16_t blue_pair = static_cast<uint16_t>(u | u << 8);
          const uint16_t red_pair = static_cast<uint16_t>(v | v << 8);
          std::memcpy(blue + x * 2, &blue_pair, 2);
          std::memcpy(red + x * 2, &red_pair, 2);
        } else {
          std::memset(luma + x * scale, l, static_cast<size_t>(scale));
          std::memset(blue + x * half, u, static_cast<size_t>(half));
          std::memset(red + x * half, v, static_cast<size_t>(half));
        }
      }
      const size_t luma_width = static_cast<size_t>(canvas.width) * scale;
      const size_t chroma_width = static_cast<size_t>(canvas.width) * half;
      for (int dy = 1; dy < scale; ++dy) std::memcpy(luma + dy * picture_->linesize[0], luma, luma_width);
      for (int dy = 1; dy < half; ++dy) {
        std::memcpy(blue + dy * picture_->linesize[1], blue, chroma_width);
        std::memcpy(red + dy * picture_->linesize[2], red, chroma_width);
      }
    }
  }

  void encode_video(int64_t index, const rollwick_host::Canvas &canvas) {
    av_frame_make_writable(picture_);
    if (recipe_.pixels == AV_PIX_FMT_YUV420P && settings_.scale % 2 == 0) {
      fill_yuv420(canvas);
      picture_->pts = index;
      send_video(picture_);
      frames_ = index + 1;
      return;
    }
    // Each game pixel a square of `scale` pixels; 0xRRGGBB is B, G, R, 0 in memory.
    const int scale = settings_.scale;
    scaled_.resize(static_cast<size_t>(width_) * height_);
    for (int y = 0; y < height_; ++y) {
      const uint32_t *row = canvas.pixels.data() + static_cast<size_t>(y / scale) * canvas.width;
      uint32_t *out = scaled_.data() + static_cast<size_t>(y) * width_;
      for (int x = 0; x < width_; ++x) out[x] = row[x / scale];
    }
    if (converter_ != nullptr) {
      const uint8_t *planes[] = {reinterpret_cast<const uint8_t *>(scaled_.data())};
      const int strides[] = {width_ * 4};
      sws_scale(converter_, planes, strides, 0, height_, picture_->data, picture_->linesize);
    } else {
      for (int y = 0; y < height_; ++y) {
        std::memcpy(picture_->data[0] + static_cast<ptrdiff_t>(y) * picture_->linesize[0],
                    scaled_.data() + static_cast<size_t>(y) * width_, static_cast<size_t>(width_) * 4);
      }
    }
    picture_->pts = index;
    send_video(picture_);
    frames_ = index + 1;
  }

  void send_video(AVFrame *frame) { send(video_, video_stream_, frame); }
  void send_audio(AVFrame *frame) { send(audio_, audio_stream_, frame); }

  void send(AVCodecContext *codec, AVStream *stream, AVFrame *frame) {
    if (!error_.empty() || codec == nullptr) return;
    int status = avcodec_send_frame(codec, frame);
    if (status < 0) return fail("cannot encode", status);
    AVPacket *packet = av_packet_alloc();
    while ((status = avcodec_receive_packet(codec, packet)) >= 0) {
      if (codec == video_ && packet->duration == 0) packet->duration = 1;
      av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
      packet->stream_index = stream->index;
      status = av_interleaved_write_frame(format_, packet);
      if (status < 0) {
        fail("cannot write", status);
        break;
      }
    }
    av_packet_free(&packet);
  }

  // Encodes whole audio frames of what is pending; at the end, the rest too.
  void encode_audio(bool last) {
    size_t at = 0;
    const size_t frame_values = static_cast<size_t>(audio_frame_size_) * 2;
    while (error_.empty() && audio_ != nullptr &&
           (audio_pending_.size() - at >= frame_values || (last && audio_pending_.size() > at))) {
      const int count = static_cast<int>(std::min(frame_values, audio_pending_.size() - at) / 2);
      AVFrame *frame = av_frame_alloc();
      frame->format = audio_->sample_fmt;
      frame->nb_samples = count;
      av_channel_layout_copy(&frame->ch_layout, &audio_->ch_layout);
      frame->sample_rate = AUDIO_RATE;
      av_frame_get_buffer(frame, 0);
      const float *in = audio_pending_.data() + at;
      for (int i = 0; i < count; ++i) {
        for (int channel = 0; channel < 2; ++channel) {
          const float value = in[i * 2 + channel];
          switch (audio_->sample_fmt) {
            case AV_SAMPLE_FMT_FLTP: reinterpret_cast<float *>(frame->data[channel])[i] = value; break;
            case AV_SAMPLE_FMT_FLT: reinterpret_cast<float *>(frame->data[0])[i * 2 + channel] = value; break;
            case AV_SAMPLE_FMT_S32:
              reinterpret_cast<int32_t *>(frame->data[0])[i * 2 + channel] = static_cast<int32_t>(value * 2147483647.0);
              break;
            default:
              reinterpret_cast<int16_t *>(frame->data[0])[i * 2 + channel] = static_cast<int16_t>(value * 32767.0F);
              break;
          }
        }
      }
      frame->pts = audio_samples_;
      audio_samples_ += count;
      at += static_cast<size_t>(count) * 2;
      send_audio(frame);
      av_frame_free(&frame);
    }
    audio_pending_.erase(audio_pending_.begin(), audio_pending_.begin() + static_cast<ptrdiff_t>(at));
  }

  void close_all() {
    if (converter_ != nullptr) sws_freeContext(converter_);
    converter_ = nullptr;
    av_frame_free(&picture_);
    avcodec_free_context(&video_);
    avcodec_free_context(&audio_);
    if (format_ != nullptr) {
      if (format_->pb != nullptr) avio_closep(&format_->pb);
      avformat_free_context(format_);
      format_ = nullptr;
    }
  }

  std::string path_;
  rollwick_host::PartialFile partial_;
  VideoSettings settings_;
  Recipe recipe_;
  bool with_audio_;
  bool heard_;             // a sound with samples played, or music
  std::set<int> audible_;  // the sound numbers that have samples
  AudioMix mix_;
  std::string error_;
  AVFormatContext *format_ = nullptr;
  AVCodecContext *video_ = nullptr;
  AVCodecContext *audio_ = nullptr;
  AVStream *video_stream_ = nullptr;
  AVStream *audio_stream_ = nullptr;
  AVFrame *picture_ = nullptr;
  SwsContext *converter_ = nullptr;
  std::vector<uint32_t> scaled_;
  int width_ = 0;
  int height_ = 0;
  int64_t frames_ = 0;
  size_t sounds_seen_ = 0;
  std::vector<float> audio_pending_;
  int audio_frame_size_ = 1024;
  int64_t audio_samples_ = 0;
};

}  // namespace

bool is_video_file(const std::string &path) {
  const std::string extension = extension_of(path);
  return extension == "mp4" || extension == "webm" || extension == "mkv";
}

int default_video_scale(int height) { return height >= 720 ? 1 : (720 + height - 1) / height; }

std::unique_ptr<OutputSink> make_video_output(const std::string &path, const VideoSettings &settings,
                                              std::map<int, AudioClip> sounds, AudioClip music) {
  return std::make_unique<VideoOutput>(path, settings, std::move(sounds), std::move(music));
}

}  // namespace rollwick_preview
