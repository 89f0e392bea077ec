// Videos of the credits, read back through libavformat: streams and codecs,
// frame count, rate and duration, the first and last pictures against the
// previewer's frames, and the sounds' onsets against their frames.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "audio_mix.h"
#include "canvas.h"
#include "png_files.h"
#include "run_program.h"

using rollwick_host::Canvas;

namespace {

constexpr int fps = 40;

std::string folder() {
  static const std::string made = [] {
    char path[] = "/tmp/rollwick-video-XXXXXX";
    return std::string(mkdtemp(path));
  }();
  return made;
}

// 30 ms of a 1 kHz tone at 22,050 Hz, mono: the typing sound.
std::string write_click() {
  const std::string path = folder() + "/click.wav";
  const int rate = 22050;
  const int count = rate * 3 / 100;
  std::ofstream file(path, std::ios::binary);
  const auto u32 = [&](uint32_t v) { file.write(reinterpret_cast<const char *>(&v), 4); };
  const auto u16 = [&](uint16_t v) { file.write(reinterpret_cast<const char *>(&v), 2); };
  file.write("RIFF", 4);
  u32(36 + count * 2);
  file.write("WAVEfmt ", 8);
  u32(16);
  u16(1);
  u16(1);
  u32(rate);
  u32(rate * 2);
  u16(2);
  u16(16);
  file.write("data", 4);
  u32(count * 2);
  for (int i = 0; i < count; ++i) u16(static_cast<uint16_t>(static_cast<int16_t>(16000 * std::sin(i * 2 * M_PI * 1000 / rate))));
  return path;
}

// A roll that moves, then a typewriter with a sound for each of its four letters.
std::string write_script() {
  const std::string path = folder() + "/credits.credits";
  std::ofstream(path) << "SetCredit(1, 1, \"Director<>Ada\", 10, 0, 15);\n"
                         "SetCredit(1, 2, \"Music<.>Bea\", 10, 0, 63488);\n"
                         "SequenceSettings(1, 60, 20, 0, 0, 0);\n"
                         "RunCreditSequence(1);\n"
                         "while (IsSequenceFinished(1) == 0) Wait(1);\n"
                         "SetStaticCredit(1, 1, \"Cast\", -1, -1, 0, 2016);\n"
                         "ShowStaticCredit(1, 1, 24, 1, 3, 1);\n"
                         "while (IsStaticSequenceFinished(1) == 0) Wait(1);\n";
  return path;
}

bool run_preview(const std::string &arguments, const std::string &out = "/dev/null") {
  std::vector<std::string> argv = words(arguments);
  argv.insert(argv.begin(), PREVIEW_PATH);
  return run_program(argv, "", folder(), out).status == 0;
}

struct ReadBack {
  std::vector<AVCodecID> codecs;
  int64_t frames = 0;
  AVRational rate{0, 1};
  double video_seconds = 0;
  Canvas first;
  Canvas last;
  std::vector<uint64_t> hashes;  // of every picture, in order
  std::vector<float> left;  // the sound's left channel at 48 kHz
};

Canvas to_canvas(const AVFrame *frame) {
  Canvas canvas(frame->width, frame->height);
  SwsContext *converter = sws_getContext(frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                                         frame->width, frame->height, AV_PIX_FMT_BGR0, SWS_POINT, nullptr, nullptr,
                                         nullptr);
  uint8_t *planes[] = {reinterpret_cast<uint8_t *>(canvas.pixels.data())};
  const int strides[] = {frame->width * 4};
  sws_scale(converter, frame->data, frame->linesize, 0, frame->height, planes, strides);
  sws_freeContext(converter);
  for (uint32_t &pixel : canvas.pixels) pixel &= 0xFFFFFF;
  return canvas;
}

uint64_t pixel_hash(const Canvas &canvas) {
  uint64_t hash = 14695981039346656037ULL;
  for (const uint32_t pixel : canvas.pixels) hash = (hash ^ pixel) * 1099511628211ULL;
  return hash;
}

ReadBack read_back(const std::string &path) {
  ReadBack back;
  AVFormatContext *format = nullptr;
  if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return back;
  avformat_find_stream_info(format, nullptr);
  std::vector<AVCodecContext *> decoders;
  for (unsigned i = 0; i < format->nb_streams; ++i) {
    const AVCodecParameters *parameters = format->streams[i]->codecpar;
    back.codecs.push_back(parameters->codec_id);
    AVCodecContext *decoder = avcodec_alloc_context3(avcodec_find_decoder(parameters->codec_id));
    avcodec_parameters_to_context(decoder, parameters);
    avcodec_open2(decoder, decoder->codec, nullptr);
    decoders.push_back(decoder);
    if (parameters->codec_type == AVMEDIA_TYPE_VIDEO) back.rate = format->streams[i]->avg_frame_rate;
  }
  AVPacket *packet = av_packet_alloc();
  AVFrame *frame = av_frame_alloc();
  int64_t video_start = INT64_MAX;
  int64_t video_end = 0;
  AVRational video_base{1, 1};
  const auto take = [&](AVCodecContext *decoder) {
    while (avcodec_receive_frame(decoder, frame) >= 0) {
      if (decoder->codec_type == AVMEDIA_TYPE_VIDEO) {
        if (back.frames == 0) back.first = to_canvas(frame);
        back.last = to_canvas(frame);
        back.hashes.push_back(pixel_hash(back.last));
        back.frames += 1;
      } else {
        for (int i = 0; i < frame->nb_samples; ++i) {
          float value = 0;
          if (frame->format == AV_SAMPLE_FMT_FLTP || frame->format == AV_SAMPLE_FMT_FLT) value = reinterpret_cast<float *>(frame->data[0])[frame->format == AV_SAMPLE_FMT_FLT ? i * 2 : i];
          if (frame->format == AV_SAMPLE_FMT_S16) value = reinterpret_cast<int16_t *>(frame->data[0])[i * 2] / 32768.0F;
          if (frame->format == AV_SAMPLE_FMT_S32) value = reinterpret_cast<int32_t *>(frame->data[0])[i * 2] / 2147483648.0F;
          back.left.push_back(value);
        }
      }
      av_frame_unref(frame);
    }
  };
  while (av_read_frame(format, packet) >= 0) {
    AVStream *stream = format->streams[packet->stream_index];
    if (stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
      video_start = std::min(video_start, packet->pts);
      video_end = std::max(video_end, packet->pts + packet->duration);
      video_base = stream->time_base;
    }
    avcodec_send_packet(decoders[packet->stream_index], packet);
    take(decoders[packet->stream_index]);
    av_packet_unref(packet);
  }
  for (AVCodecContext *decoder : decoders) {
    avcodec_send_packet(decoder, nullptr);
    take(decoder);
    avcodec_free_context(&decoder);
  }
  // From the first picture's time: a muxer may start every stream a little
  // later, to give a sound encoder's priming samples room.
  back.video_seconds = static_cast<double>(video_end - video_start) * video_base.num / video_base.den;
  av_frame_free(&frame);
  av_packet_free(&packet);
  avformat_close_input(&format);
  return back;
}

Canvas frame_png(int64_t index) {
  char name[64];
  std::snprintf(name, sizeof name, "/frames/frame-%05lld.png", static_cast<long long>(index));
  rollwick_host::Sprite picture;
  std::string error;
  EXPECT_TRUE(rollwick_host::read_png_sprite(folder() + name, picture, error)) << error;
  Canvas canvas(picture.width, picture.height);
  for (size_t i = 0; i < picture.argb.size(); ++i) canvas.pixels[i] = picture.argb[i] & 0xFFFFFF;
  return canvas;
}

// A picture of `scale` x `scale` blocks back at one pixel a block (the
// middle of each), to hold it against the previewer's frame.
Canvas unscaled(const Canvas &picture, int scale) {
  Canvas out(picture.width / scale, picture.height / scale);
  for (int y = 0; y < out.height; ++y) {
    for (int x = 0; x < out.width; ++x) out.put(x, y, picture.at(x * scale + scale / 2, y * scale + scale / 2));
  }
  return out;
}

double psnr(const Canvas &a, const Canvas &b) {
  if (a.width != b.width || a.height != b.height) return 0;
  double squares = 0;
  for (size_t i = 0; i < a.pixels.size(); ++i) {
    for (int shift = 0; shift <= 16; shift += 8) {
      const double d = static_cast<double>((a.pixels[i] >> shift) & 0xFF) - ((b.pixels[i] >> shift) & 0xFF);
      squares += d * d;
    }
  }
  const double mean = squares / (a.pixels.size() * 3.0);
  return mean == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mean);
}

// Where a sound starts after at least 10 ms of silence, in seconds.
std::vector<double> onsets(const std::vector<float> &samples) {
  std::vector<double> found;
  int64_t quiet = rollwick_preview::AUDIO_RATE;
  for (size_t i = 0; i < samples.size(); ++i) {
    if (std::fabs(samples[i]) > 0.05F) {
      if (quiet >= rollwick_preview::AUDIO_RATE / 100) found.push_back(static_cast<double>(i) / rollwick_preview::AUDIO_RATE);
      quiet = 0;
    } else {
      quiet += 1;
    }
  }
  return found;
}

class Video : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    script_ = write_script();
    click_ = write_click();
    ASSERT_TRUE(run_preview(script_ + " --frames " + folder() + "/frames", folder() + "/summary.txt"));
    // "  sound 1 at frames 40, 44, ...": when the sounds play.
    std::ifstream summary(folder() + "/summary.txt");
    std::string line;
    while (std::getline(summary, line)) {
      const size_t at = line.find("sound 1 at frames ");
      if (at == std::string::npos) continue;
      std::istringstream numbers(line.substr(at + 18));
      std::string number;
      while (std::getline(numbers, number, ',')) sound_frames_.push_back(std::stoll(number));
    }
  }
  static std::string script_;
  static std::string click_;
  static std::vector<int64_t> sound_frames_;
};
std::string Video::script_;
std::string Video::click_;
std::vector<int64_t> Video::sound_frames_;

}  // namespace

TEST_F(Video, EachFormatHoldsEveryFrameAtTheGamesTimeWithItsSounds) {
  struct Format {
    const char *extension;
    const char *options;  // lossy formats at their default scale, 4 for a 200-high game
    AVCodecID video;
    AVCodecID audio;
    bool exact;
  };
  const Format formats[] = {{"mkv", "--lossless --scale 1", AV_CODEC_ID_H264, AV_CODEC_ID_FLAC, true},
                            {"mp4", "", AV_CODEC_ID_H264, AV_CODEC_ID_AAC, false},
                            {"webm", "", AV_CODEC_ID_VP9, AV_CODEC_ID_OPUS, false}};
  int64_t total = 0;
  while (access((folder() + "/frames/frame-" + std::string(5 - std::to_string(total).size(), '0') +
                 std::to_string(total) + ".png").c_str(), F_OK) == 0) {
    total += 1;
  }
  ASSERT_GT(total, 60);
  ASSERT_EQ(sound_frames_.size(), 4u) << "the typewriter's four letters";
  std::vector<double> sound_times;
  for (int64_t frame : sound_frames_) sound_times.push_back(static_cast<double>(frame) / fps);
  for (const Format &format : formats) {
    const std::string path = folder() + "/credits." + format.extension;
    ASSERT_TRUE(run_preview(script_ + " -o " + path + " --sound 1=" + click_ + " " + format.options))
        << format.extension;
    const ReadBack back = read_back(path);
    EXPECT_EQ(back.codecs, (std::vector<AVCodecID>{format.video, format.audio})) << format.extension;
    EXPECT_EQ(back.frames, total) << format.extension;
    EXPECT_EQ(back.rate.num * 1.0 / back.rate.den, fps) << format.extension;
    EXPECT_NEAR(back.video_seconds, static_cast<double>(total) / fps, 0.001) << format.extension;
    if (format.exact) {
      ASSERT_EQ(back.hashes.size(), static_cast<size_t>(total));
      for (int64_t i = 0; i < total; ++i) {
        ASSERT_EQ(back.hashes[i], pixel_hash(frame_png(i))) << "lossless: the previewer's frame " << i;
      }
    } else {
      ASSERT_EQ(back.first.height, 800) << format.extension;
      EXPECT_GE(psnr(unscaled(back.first, 4), frame_png(0)), 40.0) << format.extension;
      EXPECT_GE(psnr(unscaled(back.last, 4), frame_png(total - 1)), 40.0) << format.extension;
    }
    const std::vector<double> heard = onsets(back.left);
    ASSERT_EQ(heard.size(), sound_times.size()) << format.extension;
    for (size_t i = 0; i < heard.size(); ++i) {
      EXPECT_NEAR(heard[i], sound_times[i], 1.0 / fps) << format.extension << " sound " << i;
    }
  }
}

TEST_F(Video, TheDefaultScaleKeepsOnePixelTextSharp) {
  const std::string sharp = folder() + "/sharp.mkv";
  const std::string lossy = folder() + "/sharp.mp4";
  ASSERT_TRUE(run_preview(script_ + " -o " + sharp + " --lossless --scale 4"));
  ASSERT_TRUE(run_preview(script_ + " -o " + lossy));  // 200 high: scale 4 by default
  std::ifstream errors(folder() + "/run.err");
  const std::string said((std::istreambuf_iterator<char>(errors)), std::istreambuf_iterator<char>());
  EXPECT_NE(said.find("credits.credits:7: warning: ShowStaticCredit: sound 1 has no file"), std::string::npos) << said;
  const ReadBack exact = read_back(sharp);
  const ReadBack decoded = read_back(lossy);
  ASSERT_EQ(decoded.first.height, 800);
  // Text edges (bright against dark) stand within a pixel of the lossless ones.
  const Canvas &a = exact.last;
  const Canvas &b = decoded.last;
  const auto bright = [](const Canvas &c, int x, int y) {
    const uint32_t p = c.at(x, y);
    return ((p >> 16 & 0xFF) + (p >> 8 & 0xFF) + (p & 0xFF)) > 3 * 100;
  };
  int64_t off = 0;
  for (int y = 1; y + 1 < a.height; ++y) {
    for (int x = 1; x + 1 < a.width; ++x) {
      if (bright(a, x, y) == bright(b, x, y)) continue;
      bool near_edge = false;
      for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) near_edge = near_edge || bright(a, x + dx, y + dy) == bright(b, x, y);
      }
      if (!near_edge) off += 1;
    }
  }
  EXPECT_EQ(off, 0);
}

TEST(AudioMixTest, SoundsStartAtTheirFramesAndTheMusicFadesAtTheEnd) {
  using rollwick_preview::AudioClip;
  using rollwick_preview::AUDIO_RATE;
  AudioClip beep;
  beep.samples.assign(2 * 100, 0.5F);
  AudioClip music;
  music.samples.assign(2 * AUDIO_RATE * 3, 0.25F);  // three seconds, longer than the video
  rollwick_preview::AudioMix mix({{7, beep}}, music, 40);
  EXPECT_TRUE(mix.play(7, 20));
  EXPECT_FALSE(mix.play(8, 20)) << "no clip for sound 8";
  std::vector<float> out;
  mix.render_until(40, 80, out);  // the first second, then the rest of a two-second video
  mix.render_until(80, 80, out);
  ASSERT_EQ(out.size(), 2u * AUDIO_RATE * 2) << "cut to the video's length";
  const size_t start = 2 * (AUDIO_RATE / 2);  // frame 20 at 40 a second
  EXPECT_FLOAT_EQ(out[start - 2], 0.25F);
  EXPECT_FLOAT_EQ(out[start], 0.75F) << "the sound over the music";
  EXPECT_FLOAT_EQ(out[start + 200], 0.25F);
  EXPECT_NEAR(out[2 * (AUDIO_RATE + AUDIO_RATE / 2)], 0.125F, 0.001F) << "half way through the last second's fade";
  EXPECT_NEAR(out.back(), 0.0F, 0.001F);
}
