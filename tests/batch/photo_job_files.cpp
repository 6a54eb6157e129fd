#include "photo_job_files.h"

#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <memory>
#include <vector>

#include "support/test_files.h"

namespace testing_support {

namespace {

void putLe(std::vector<std::uint8_t>& bytes, std::uint32_t value, int count) {
  for (int i = 0; i < count; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

struct ErrorJump {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

void jumpOnError(j_common_ptr info) { std::longjmp(reinterpret_cast<ErrorJump*>(info->err)->jump, 1); }

}  // namespace

void writeGradientBmp(const std::string& path, std::int32_t width, std::int32_t height) {
  std::uint32_t stride = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
  std::uint32_t imageSize = stride * static_cast<std::uint32_t>(height);
  std::vector<std::uint8_t> bytes = {'B', 'M'};
  putLe(bytes, 54 + imageSize, 4);
  putLe(bytes, 0, 4);
  putLe(bytes, 54, 4);
  putLe(bytes, 40, 4);
  putLe(bytes, static_cast<std::uint32_t>(width), 4);
  putLe(bytes, static_cast<std::uint32_t>(height), 4);
  putLe(bytes, 1, 2);
  putLe(bytes, 24, 2);
  for (int i = 0; i < 6; ++i) putLe(bytes, i == 1 ? imageSize : 0, 4);
  for (std::int32_t y = height - 1; y >= 0; --y) {
    std::uint32_t rowStart = static_cast<std::uint32_t>(bytes.size());
    for (std::int32_t x = 0; x < width; ++x) {
      bytes.push_back(static_cast<std::uint8_t>(x * 255 / std::max(width - 1, 1)));
      bytes.push_back(static_cast<std::uint8_t>(y * 255 / std::max(height - 1, 1)));
      bytes.push_back(128);
    }
    while (bytes.size() - rowStart < stride) bytes.push_back(0);
  }
  writeBytes(path, bytes);
}

lumivex::PictureSize jpegSize(const std::string& path) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
  if (!file) return {};
  jpeg_decompress_struct info;
  ErrorJump error;
  info.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = jumpOnError;
  if (setjmp(error.jump)) {
    jpeg_destroy_decompress(&info);
    return {};
  }
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, file.get());
  jpeg_read_header(&info, TRUE);
  lumivex::PictureSize size{static_cast<std::int32_t>(info.image_width),
                            static_cast<std::int32_t>(info.image_height)};
  jpeg_destroy_decompress(&info);
  return size;
}

std::string exiftoolOrientation(const std::string& path) {
  std::string command = "exiftool -n -s3 -Orientation '" + path + "' 2>/dev/null";
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return "?";
  std::string text;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe.get())) text += buffer;
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

}  // namespace testing_support
