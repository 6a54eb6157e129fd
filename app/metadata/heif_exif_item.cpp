// libheif's metadata interface in a forked child, and the item's framing undone in the batch.
#include "metadata/heif_exif_item.h"

#include <libheif/heif.h>

#include <chrono>
#include <cstring>
#include <memory>

#include "metadata/byte_reader.h"
#include "sandbox/forked_decode.h"

namespace lumivex {

namespace {

constexpr std::uint8_t kExifIdentifier[6] = {'E', 'x', 'i', 'f', 0, 0};
constexpr std::size_t kMaxBlockBytes = 65533;  // an APP1 payload's limit
// An item may hold a few bytes of padding beside the structure, never much more than an APP1
// segment can carry.
constexpr std::uint32_t kMaxItemBytes = 1 << 20;
// Parsing a container's boxes takes milliseconds; a child that takes longer is stuck.
constexpr auto kTimeLimit = std::chrono::seconds(10);
// libheif reads the boxes of the file (not its coded images) into memory.
constexpr std::uint64_t kChildMemoryAllowance = std::uint64_t{1} << 30;

struct ContextFree {
  void operator()(heif_context* ctx) const { heif_context_free(ctx); }
};
struct HandleRelease {
  void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};

// The first Exif item of the primary image, or nothing.
std::vector<std::uint8_t> readExifItem(const std::string& path) {
  std::unique_ptr<heif_context, ContextFree> ctx(heif_context_alloc());
  if (!ctx || heif_context_read_from_file(ctx.get(), path.c_str(), nullptr).code != heif_error_Ok) return {};
  heif_image_handle* rawHandle = nullptr;
  if (heif_context_get_primary_image_handle(ctx.get(), &rawHandle).code != heif_error_Ok) return {};
  std::unique_ptr<heif_image_handle, HandleRelease> handle(rawHandle);
  heif_item_id id = 0;
  if (heif_image_handle_get_list_of_metadata_block_IDs(handle.get(), "Exif", &id, 1) != 1) return {};
  std::size_t size = heif_image_handle_get_metadata_size(handle.get(), id);
  if (size == 0 || size > kMaxItemBytes) return {};
  std::vector<std::uint8_t> item(size);
  if (heif_image_handle_get_metadata(handle.get(), id, item.data()).code != heif_error_Ok) return {};
  return item;
}

// The item's length, then its bytes; a length of 0 for none.
void readInChild(const std::string& path, int out) {
  corvale::limitChildMemory(kChildMemoryAllowance);
  std::vector<std::uint8_t> item = readExifItem(path);
  auto length = static_cast<std::uint32_t>(item.size());
  if (corvale::writeToParent(out, &length, sizeof length))
    corvale::writeToParent(out, item.data(), item.size());
}

}  // namespace

std::optional<std::vector<std::uint8_t>> FindHeifExifItem(const std::string& path) {
  corvale::ForkedDecode child([&path](int out) { readInChild(path, out); }, kTimeLimit);
  std::uint32_t length = 0;
  if (!child.read(&length, sizeof length) || length == 0 || length > kMaxItemBytes) return std::nullopt;
  std::vector<std::uint8_t> item(length);
  if (!child.read(item.data(), item.size())) return std::nullopt;
  return ExifBlockFromHeifItem(item);
}

std::optional<std::vector<std::uint8_t>> ExifBlockFromHeifItem(std::span<const std::uint8_t> item) {
  ByteReader reader(item, true);
  std::uint32_t offset = 0;
  if (!reader.dword(0, offset)) return std::nullopt;
  std::uint64_t tiffStart = std::uint64_t{4} + offset;
  if (!reader.fits(tiffStart, 8)) return std::nullopt;
  std::span<const std::uint8_t> tiff = item.subspan(static_cast<std::size_t>(tiffStart));
  if (!(tiff[0] == 'I' || tiff[0] == 'M') || tiff[1] != tiff[0]) return std::nullopt;
  if (tiff.size() > kMaxBlockBytes - sizeof kExifIdentifier) return std::nullopt;
  std::vector<std::uint8_t> block(kExifIdentifier, kExifIdentifier + sizeof kExifIdentifier);
  block.insert(block.end(), tiff.begin(), tiff.end());
  return block;
}

}  // namespace lumivex
