#include "disc/image_writer.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace qv::disc {

namespace {

namespace fs = std::filesystem;

bool write_all_at(int descriptor, std::span<const std::uint8_t> bytes, std::uint64_t offset) {
  while (!bytes.empty()) {
    const ssize_t put =
        ::pwrite(descriptor, bytes.data(), bytes.size(), static_cast<off_t>(offset));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    bytes = bytes.subspan(static_cast<std::size_t>(put));
    offset += static_cast<std::uint64_t>(put);
  }
  return true;
}

bool patch_file(const fs::path& path, std::span<const SectorPatch> patches) {
  const int descriptor = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
  if (descriptor < 0) return false;
  bool ok = true;
  for (const SectorPatch& patch : patches) {
    ok = ok && write_all_at(descriptor, patch.bytes, sector_offset(patch.lba));
  }
  ok = (::fsync(descriptor) == 0) && ok;
  return (::close(descriptor) == 0) && ok;
}

}  // namespace

std::optional<std::string> write_patched_image(const fs::path& original, const fs::path& output,
                                               std::span<const SectorPatch> patches) {
  std::error_code error;
  if (fs::equivalent(original, output, error)) {
    return "the translated image would overwrite the original " + original.string();
  }
  fs::path scratch = output;
  scratch += ".partial";
  fs::copy_file(original, scratch, fs::copy_options::overwrite_existing, error);
  if (error) {
    fs::remove(scratch, error);
    return "cannot copy " + original.string() + " to " + scratch.string();
  }
  if (!patch_file(scratch, patches)) {
    fs::remove(scratch, error);
    return "cannot write the sectors of " + scratch.string();
  }
  fs::rename(scratch, output, error);
  if (error) {
    fs::remove(scratch, error);
    return "cannot rename " + scratch.string() + " to " + output.string();
  }
  return std::nullopt;
}

}  // namespace qv::disc
