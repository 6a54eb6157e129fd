// libheif's metadata interface in a forked child, and the Exif item's framing undone in the batch.
#include "metadata/heif_metadata.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstring>
#include <memory>

#include "libraries/lazy_heif.h"
#include "metadata/metadata_readers.h"
#include "metadata/tiff_structure.h"
#include "readers/byte_cursor.h"
#include "sandbox/forked_decode.h"

namespace lumivex {

namespace {

// An item or profile larger than this is not carried.
constexpr std::uint32_t kMaxBlockBytes = 16u << 20;
// The file read for libheif; larger files give no metadata.
constexpr std::uint64_t kMaxFileBytes = std::uint64_t{256} << 20;
// Parsing a container's boxes takes milliseconds; a child that takes longer is stuck.
constexpr auto kTimeLimit = std::chrono::seconds(10);
// libheif's view of the boxes (not the coded images) beside the file's bytes the child inherits.
constexpr std::uint64_t kChildMemoryAllowance = std::uint64_t{1} << 30;
constexpr const char* kXmpContentType = "application/rdf+xml";

struct ContextFree {
  void operator()(heif_context* ctx) const { heif_context_free(ctx); }
};
struct HandleRelease {
  void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
using Handle = std::unique_ptr<heif_image_handle, HandleRelease>;

enum Block { kExif, kXmp, kIcc, kBlocks };
using Blocks = std::array<std::vector<std::uint8_t>, kBlocks>;

std::vector<std::uint8_t> item(const heif_image_handle* handle, heif_item_id id) {
  std::size_t size = heif_image_handle_get_metadata_size(handle, id);
  if (size == 0 || size > kMaxBlockBytes) return {};
  std::vector<std::uint8_t> bytes(size);
  if (heif_image_handle_get_metadata(handle, id, bytes.data()).code != heif_error_Ok) return {};
  return bytes;
}

// The first item of the type (and, for "mime" items, the content type) given.
std::vector<std::uint8_t> firstItem(const heif_image_handle* handle, const char* type,
                                    const char* contentType) {
  constexpr int kMaxItems = 16;
  heif_item_id ids[kMaxItems];
  int count = heif_image_handle_get_list_of_metadata_block_IDs(handle, type, ids, kMaxItems);
  for (int i = 0; i < count; ++i) {
    const char* content = contentType ? heif_image_handle_get_metadata_content_type(handle, ids[i]) : nullptr;
    if (!contentType || (content && std::strcmp(content, contentType) == 0)) return item(handle, ids[i]);
  }
  return {};
}

std::vector<std::uint8_t> profile(const heif_image_handle* handle) {
  heif_color_profile_type type = heif_image_handle_get_color_profile_type(handle);
  if (type != heif_color_profile_type_prof && type != heif_color_profile_type_rICC) return {};
  std::size_t size = heif_image_handle_get_raw_color_profile_size(handle);
  if (size == 0 || size > kMaxBlockBytes) return {};
  std::vector<std::uint8_t> bytes(size);
  if (heif_image_handle_get_raw_color_profile(handle, bytes.data()).code != heif_error_Ok) return {};
  return bytes;
}

// The whole file, read here before the child is forked: the child runs on a copy of this memory
// and keeps no descriptor but its pipe.
std::vector<std::uint8_t> fileBytes(std::FILE* file) {
  struct stat status {};
  if (::fstat(::fileno(file), &status) != 0 || status.st_size <= 0 ||
      std::uint64_t(status.st_size) > kMaxFileBytes)
    return {};
  return ReadFileRange(file, 0, static_cast<std::uint64_t>(status.st_size))
      .value_or(std::vector<std::uint8_t>{});
}

Blocks readBlocks(const std::vector<std::uint8_t>& file) {
  std::unique_ptr<heif_context, ContextFree> ctx(heif_context_alloc());
  if (file.empty() || !ctx ||
      heif_context_read_from_memory_without_copy(ctx.get(), file.data(), file.size(), nullptr).code !=
          heif_error_Ok)
    return {};
  heif_image_handle* rawHandle = nullptr;
  if (heif_context_get_primary_image_handle(ctx.get(), &rawHandle).code != heif_error_Ok) return {};
  Handle handle(rawHandle);
  return {firstItem(handle.get(), "Exif", nullptr), firstItem(handle.get(), "mime", kXmpContentType),
          profile(handle.get())};
}

// Each block's length, then its bytes; a length of 0 for none.
void readInChild(const std::vector<std::uint8_t>& file, int out) {
  corvale::limitChildMemory(kChildMemoryAllowance);
  for (const std::vector<std::uint8_t>& block : readBlocks(file)) {
    auto length = static_cast<std::uint32_t>(block.size());
    if (!corvale::writeToParent(out, &length, sizeof length) ||
        !corvale::writeToParent(out, block.data(), block.size()))
      return;
  }
}

std::vector<std::uint8_t> receive(corvale::ForkedDecode& child, bool& ok) {
  std::uint32_t length = 0;
  ok = ok && child.read(&length, sizeof length) && length <= kMaxBlockBytes;
  std::vector<std::uint8_t> block(ok ? length : 0);
  ok = ok && child.read(block.data(), block.size());
  return ok ? block : std::vector<std::uint8_t>{};
}

}  // namespace

// The engine's HEIF reader turns and mirrors the pixels as the container says, so the block says
// orientation 1 and the batch does not turn the photo again.
void ReadHeifMetadata(std::FILE* file, PhotoMetadata& out) {
  std::vector<std::uint8_t> bytes = fileBytes(file);
  if (bytes.empty()) return;
  // libheif is opened here, before the fork: a child of a process with threads must not load a
  // library itself. Without libheif there is no metadata to carry.
  if (!corvale::lazy::heif().openFailure().empty()) return;
  corvale::ForkedDecode child([&bytes](int pipe) { readInChild(bytes, pipe); }, kTimeLimit);
  bool ok = true;
  std::vector<std::uint8_t> exif = receive(child, ok), xmp = receive(child, ok), icc = receive(child, ok);
  out.turnedByReader = true;
  if (!ok) return;
  if (std::optional<std::vector<std::uint8_t>> block = ExifBlockFromHeifItem(exif)) {
    MarkExifUpright(*block);
    out.exif = std::move(*block);
  }
  out.xmp = std::move(xmp);
  out.icc = std::move(icc);
}

std::optional<std::vector<std::uint8_t>> ExifBlockFromHeifItem(std::span<const std::uint8_t> item) {
  corvale::ByteCursor reader(item, corvale::ByteOrder::Big);
  std::uint32_t offset = 0;
  if (!reader.dword(0, offset)) return std::nullopt;
  std::uint64_t tiffStart = std::uint64_t{4} + offset;
  if (!reader.fits(tiffStart, 8)) return std::nullopt;
  std::span<const std::uint8_t> tiff = item.subspan(static_cast<std::size_t>(tiffStart));
  if (!(tiff[0] == 'I' || tiff[0] == 'M') || tiff[1] != tiff[0]) return std::nullopt;
  return ExifBlockFromChunk(tiff);
}

}  // namespace lumivex
