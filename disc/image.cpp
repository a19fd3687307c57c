// SPDX-License-Identifier: GPL-3.0-or-later
#include "disc/image.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace qv::disc {

std::size_t user_bytes_present(std::uint64_t sector, std::uint64_t image_size) {
  // Sector numbers come from 24-bit directory fields, so the offset cannot overflow.
  const std::uint64_t begin = sector_offset(sector) + kSectorHeaderSize;
  if (image_size <= begin) return 0;
  return static_cast<std::size_t>(std::min<std::uint64_t>(image_size - begin, kUserDataSize));
}

std::size_t MemoryImage::read_at(std::uint64_t offset, std::span<std::uint8_t> out) {
  if (offset >= bytes_.size()) return 0;
  const std::size_t count =
      static_cast<std::size_t>(std::min<std::uint64_t>(out.size(), bytes_.size() - offset));
  std::memcpy(out.data(), bytes_.data() + offset, count);
  return count;
}

std::unique_ptr<FileImage> FileImage::open(const std::filesystem::path& path) {
  const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) return nullptr;
  struct stat status {};
  if (::fstat(descriptor, &status) != 0 || S_ISDIR(status.st_mode)) {
    ::close(descriptor);
    return nullptr;
  }
  const off_t end = ::lseek(descriptor, 0, SEEK_END);
  if (end < 0) {
    ::close(descriptor);
    return nullptr;
  }
  ::posix_fadvise(descriptor, 0, 0, POSIX_FADV_SEQUENTIAL);
  return std::unique_ptr<FileImage>(new FileImage(descriptor, static_cast<std::uint64_t>(end)));
}

FileImage::~FileImage() {
  ::close(descriptor_);
}

std::size_t FileImage::read_at(std::uint64_t offset, std::span<std::uint8_t> out) {
  std::size_t done = 0;
  while (done < out.size()) {
    const ssize_t got = ::pread(descriptor_, out.data() + done, out.size() - done,
                                static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<std::size_t>(got);
  }
  return done;
}

SectorReader::SectorReader(ImageSource& image, std::size_t chunk_sectors)
    : image_(image),
      chunk_sectors_(std::max<std::size_t>(chunk_sectors, 1)),
      raw_(chunk_sectors_ * kRawSectorSize) {}

std::size_t SectorReader::read_user_data(std::uint64_t first, std::size_t count,
                                         std::span<std::uint8_t> out) {
  count = std::min({count, chunk_sectors_, out.size() / kUserDataSize});
  if (count == 0) return 0;
  // One read spans from the first sector's user data to the last one's; the headers and
  // error-correction bytes between them come along and are skipped in memory.
  const std::uint64_t begin = sector_offset(first) + kSectorHeaderSize;
  const std::size_t span_bytes = (count - 1) * kRawSectorSize + kUserDataSize;
  const std::size_t got = image_.read_at(begin, std::span(raw_).first(span_bytes));
  std::size_t written = 0;
  for (std::size_t s = 0; s < count; ++s) {
    const std::size_t at = s * kRawSectorSize;
    if (at >= got) break;
    const std::size_t take = std::min(kUserDataSize, got - at);
    std::memcpy(out.data() + written, raw_.data() + at, take);
    written += take;
    if (take < kUserDataSize) break;
  }
  return written;
}

}  // namespace qv::disc
