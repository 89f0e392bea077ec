#include "png_files.h"

#include "user_files.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace rollwick_host {

namespace {

bool write_rgba(const std::string &path, int width, int height, const std::vector<uint8_t> &rgba, std::string &error) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_RGBA;
  PartialFile partial;
  if (!partial.create(path, error)) return false;
  FILE *file = fdopen(partial.descriptor(), "wb");
  if (file == nullptr) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  partial.forget_descriptor();  // the stream owns it now
  const bool written = png_image_write_to_stdio(&image, file, 0, rgba.data(), 0, nullptr) != 0;
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) {
    error = "cannot write " + path + ": " + (written ? std::strerror(errno) : image.message);
    return false;
  }
  return partial.commit(error);
}

}  // namespace

bool read_png_sprite(const std::string &path, Sprite &sprite, std::string &error) {
  error = input_problem(path);
  if (!error.empty()) return false;
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) {
    error = "cannot read " + path + ": " + image.message;
    return false;
  }
  // The size the header declares, checked before any pixel is allocated.
  if (image.width > 8192 || image.height > 8192) {
    error = path + " is " + std::to_string(image.width) + "x" + std::to_string(image.height) +
            ", larger than the previewer reads (8192 x 8192 at most)";
    png_image_free(&image);
    return false;
  }
  image.format = PNG_FORMAT_RGBA;
  std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) {
    error = "cannot read " + path + ": " + image.message;
    png_image_free(&image);
    return false;
  }
  sprite.width = static_cast<int>(image.width);
  sprite.height = static_cast<int>(image.height);
  sprite.argb.resize(static_cast<size_t>(sprite.width) * sprite.height);
  for (size_t i = 0; i < sprite.argb.size(); ++i) {
    const uint8_t *p = &rgba[i * 4];
    sprite.argb[i] = static_cast<uint32_t>(p[3]) << 24 | static_cast<uint32_t>(p[0]) << 16 |
                     static_cast<uint32_t>(p[1]) << 8 | p[2];
  }
  return true;
}

bool write_png(const std::string &path, const Canvas &canvas, std::string &error) {
  std::vector<uint32_t> opaque(canvas.pixels.size());
  for (size_t i = 0; i < opaque.size(); ++i) opaque[i] = 0xFF000000 | canvas.pixels[i];
  return write_png(path, Sprite{canvas.width, canvas.height, std::move(opaque)}, error);
}

bool write_png(const std::string &path, const Sprite &sprite, std::string &error) {
  std::vector<uint8_t> rgba(sprite.argb.size() * 4);
  for (size_t i = 0; i < sprite.argb.size(); ++i) {
    rgba[i * 4] = static_cast<uint8_t>(sprite.argb[i] >> 16);
    rgba[i * 4 + 1] = static_cast<uint8_t>(sprite.argb[i] >> 8);
    rgba[i * 4 + 2] = static_cast<uint8_t>(sprite.argb[i]);
    rgba[i * 4 + 3] = static_cast<uint8_t>(sprite.argb[i] >> 24);
  }
  return write_rgba(path, sprite.width, sprite.height, rgba, error);
}

}  // namespace rollwick_host
