// SPDX-License-Identifier: GPL-3.0-or-later
#include "disc/image_writer.hpp"

#include "common/files.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "disc/extract.hpp"

namespace qv::disc {

namespace {

namespace fs = std::filesystem;

// Sectors per read and write: about 8 MB, so the image streams through one buffer.
constexpr std::uint32_t kChunkSectors = 3584;
constexpr std::size_t kAddressOffset = 12;

bool write_all_at(int descriptor, const std::uint8_t* bytes, std::size_t size,
                  std::uint64_t offset) {
  while (size > 0) {
    const ssize_t put = ::pwrite(descriptor, bytes, size, static_cast<off_t>(offset));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    bytes += put;
    size -= static_cast<std::size_t>(put);
    offset += static_cast<std::uint64_t>(put);
  }
  return true;
}

bool read_all_at(int descriptor, std::uint8_t* bytes, std::size_t size, std::uint64_t offset) {
  while (size > 0) {
    const ssize_t got = ::pread(descriptor, bytes, size, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    bytes += got;
    size -= static_cast<std::size_t>(got);
    offset += static_cast<std::uint64_t>(got);
  }
  return true;
}

class Writer {
 public:
  Writer(int from, int to) : from_(from), to_(to), buffer_(kChunkSectors * kRawSectorSize) {}

  // Bytes that stay what they are: the kernel copies them, falling back to our buffer where it
  // cannot copy between these files.
  bool copy(std::uint64_t from, std::uint64_t to, std::uint64_t size) {
    while (size > 0 && kernel_copy_) {
      loff_t in = static_cast<loff_t>(from);
      loff_t out = static_cast<loff_t>(to);
      const ssize_t done = ::copy_file_range(from_, &in, to_, &out, size, 0);
      if (done < 0 && errno == EINTR) continue;
      if (done <= 0) {
        if (done < 0 && errno != EXDEV && errno != ENOSYS && errno != EOPNOTSUPP &&
            errno != EINVAL) {
          return false;
        }
        kernel_copy_ = false;
        break;
      }
      from += static_cast<std::uint64_t>(done);
      to += static_cast<std::uint64_t>(done);
      size -= static_cast<std::uint64_t>(done);
    }
    while (size > 0) {
      const std::size_t take =
          static_cast<std::size_t>(std::min<std::uint64_t>(size, buffer_.size()));
      if (!read_all_at(from_, buffer_.data(), take, from) ||
          !write_all_at(to_, buffer_.data(), take, to)) {
        return false;
      }
      from += take;
      to += take;
      size -= take;
    }
    return true;
  }

  // Whole sectors copied to another place: only their header address changes, since the EDC
  // and ECC of Mode 2 leave it out and a sector that is not Form 1 must keep its own.
  bool move(std::uint32_t source, std::uint32_t to, std::uint32_t count) {
    while (count > 0) {
      const std::uint32_t take = std::min(count, kChunkSectors);
      const std::size_t bytes = take * kRawSectorSize;
      if (!read_all_at(from_, buffer_.data(), bytes, sector_offset(source))) return false;
      for (std::uint32_t s = 0; s < take; ++s) {
        const auto address = sector_address(to + s);
        std::copy(address.begin(), address.end(),
                  buffer_.begin() + s * kRawSectorSize + kAddressOffset);
      }
      if (!write_all_at(to_, buffer_.data(), bytes, sector_offset(to))) return false;
      source += take;
      to += take;
      count -= take;
    }
    return true;
  }

  bool write_file(const PlannedFile& file, std::uint32_t to) {
    std::array<std::uint8_t, kUserDataSize> user{};
    std::uint32_t in_buffer = 0;
    for (std::uint32_t s = 0; s < file.sectors; ++s) {
      const std::size_t at = std::size_t{s} * kUserDataSize;
      const std::size_t take =
          at < file.content.size() ? std::min(kUserDataSize, file.content.size() - at) : 0;
      user.fill(0);
      std::copy_n(file.content.begin() + static_cast<std::ptrdiff_t>(at), take, user.begin());
      const RawSector raw = make_form1_sector(to + s, file.subheaders[s], user);
      std::copy(raw.begin(), raw.end(), buffer_.begin() + in_buffer * kRawSectorSize);
      if (++in_buffer == kChunkSectors || s + 1 == file.sectors) {
        const std::uint32_t first = to + s + 1 - in_buffer;
        if (!write_all_at(to_, buffer_.data(), in_buffer * kRawSectorSize, sector_offset(first))) {
          return false;
        }
        in_buffer = 0;
      }
    }
    return true;
  }

  bool write_sector(const RawSector& raw, std::uint32_t lba) {
    return write_all_at(to_, raw.data(), raw.size(), sector_offset(lba));
  }

 private:
  int from_;
  int to_;
  bool kernel_copy_ = true;
  std::vector<std::uint8_t> buffer_;
};

// The directory sectors that change, rebuilt with their own subheaders.
std::vector<std::pair<std::uint32_t, RawSector>> directory_sectors(const ImagePlan& plan) {
  std::vector<std::pair<std::uint32_t, RawSector>> sectors;
  for (std::uint32_t s = 0; s < kDirectorySectorCount; ++s) {
    const auto from = static_cast<std::ptrdiff_t>(s * kUserDataSize);
    const auto user =
        std::span(plan.directory()).subspan(static_cast<std::size_t>(from), kUserDataSize);
    if (std::equal(user.begin(), user.end(), plan.original_directory().begin() + from)) continue;
    const RawSector& old = plan.original_directory_sectors()[s];
    const std::uint32_t lba = kFirstDirectorySector + s;
    sectors.emplace_back(
        lba, make_form1_sector(lba, std::span(old).subspan<kSubheaderOffset, kSubheaderSize>(),
                               user.first<kUserDataSize>()));
  }
  return sectors;
}

std::optional<std::string> write_image(int from, int to, const ImagePlan& plan,
                                       const fs::path& scratch) {
  Writer writer(from, to);
  const std::string failed = "cannot write " + scratch.string();
  std::uint32_t at = 0;
  for (const SectorRun& run : plan.runs()) {
    bool ok = true;
    if (run.is_file) {
      ok = writer.write_file(plan.files()[run.file], at);
    } else if (run.source == at) {
      ok = writer.copy(sector_offset(run.source), sector_offset(at),
                       std::uint64_t{run.length} * kRawSectorSize);
    } else {
      ok = writer.move(run.source, at, run.length);
    }
    if (!ok) return failed;
    at += run.length;
  }
  if (plan.tail_size() > 0 &&
      !writer.copy(plan.original_size() - plan.tail_size(), sector_offset(at), plan.tail_size())) {
    return failed;
  }
  for (const auto& [lba, raw] : directory_sectors(plan)) {
    if (!writer.write_sector(raw, lba)) return failed;
  }
  return std::nullopt;
}

// A written sector must be exactly the Form 1 sector its own subheader and user data make.
bool sector_checks_out(ImageSource& image, std::uint32_t lba) {
  RawSector raw{};
  if (image.read_at(sector_offset(lba), raw) != raw.size()) return false;
  const RawSector again =
      make_form1_sector(lba, std::span(raw).subspan<kSubheaderOffset, kSubheaderSize>(),
                        std::span(raw).subspan<kSectorHeaderSize, kUserDataSize>());
  return is_form1_sector(raw, lba) && raw == again;
}

std::optional<std::string> verify_image(const fs::path& scratch, const ImagePlan& plan) {
  const std::string where = scratch.string();
  const auto image = FileImage::open(scratch);
  if (!image) return "cannot read " + where + " back";
  if (image->size() != plan.size()) {
    return where + " holds " + std::to_string(image->size()) + " bytes, not " +
           std::to_string(plan.size());
  }
  SectorReader reader(*image);
  std::vector<std::uint8_t> directory(plan.directory().size());
  if (reader.read_user_data(kFirstDirectorySector, kDirectorySectorCount, directory) !=
          directory.size() ||
      directory != plan.directory()) {
    return "the directory of " + where + " is not the one planned";
  }
  for (const auto& [lba, raw] : directory_sectors(plan)) {
    if (!sector_checks_out(*image, lba)) {
      return "directory sector " + std::to_string(lba) + " of " + where + " does not check out";
    }
  }
  const FileIndex index = build_file_index(directory, reader.sector_count()).index;
  std::vector<std::uint8_t> scratch_bytes(reader.chunk_sectors() * kUserDataSize);
  std::uint32_t at = 0;
  for (const SectorRun& run : plan.runs()) {
    if (run.is_file) {
      const PlannedFile& file = plan.files()[run.file];
      const std::string what = "file " + std::to_string(file.file_number) + " of " + where;
      const auto extent = file_extent(index, file.file_number);
      if (!extent || extent->start != at || extent->sector_count() != file.sectors) {
        return what + " is not where it was planned";
      }
      std::vector<std::uint8_t> bytes;
      const ExtractResult read =
          extract_file(reader, *extent, scratch_bytes, [&](std::span<const std::uint8_t> part) {
            bytes.insert(bytes.end(), part.begin(), part.end());
            return true;
          });
      if (read.image_short || bytes != file.content) return what + " does not read back as written";
      for (std::uint32_t s = 0; s < file.sectors; ++s) {
        if (!sector_checks_out(*image, at + s)) {
          return "sector " + std::to_string(at + s) + " of " + what + " does not check out";
        }
      }
    }
    at += run.length;
  }
  if (const auto first = plan.first_moved_sector()) {
    std::vector<std::uint8_t> raw(kChunkSectors * kRawSectorSize);
    for (std::uint32_t s = *first; s < plan.sector_count(); s += kChunkSectors) {
      const std::uint32_t take = std::min(kChunkSectors, plan.sector_count() - s);
      if (image->read_at(sector_offset(s), std::span(raw).first(take * kRawSectorSize)) !=
          take * kRawSectorSize) {
        return "cannot read " + where + " back";
      }
      for (std::uint32_t k = 0; k < take; ++k) {
        const auto address = sector_address(s + k);
        if (!std::equal(address.begin(), address.end(),
                        raw.begin() + k * kRawSectorSize + kAddressOffset)) {
          return "sector " + std::to_string(s + k) + " of " + where + " has a wrong address";
        }
      }
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> write_planned_image(const fs::path& original, const fs::path& output,
                                               const ImagePlan& plan,
                                               const BeforeVerify& before_verify) {
  const int from = ::open(original.c_str(), O_RDONLY | O_CLOEXEC);
  if (from < 0) return "cannot open " + original.string();
  // The scratch name is fixed, so a run that was killed leaves at most this one file, which the
  // next run removes. It is made afresh (never opened while it exists), so nothing that stands
  // there is written, and a scratch name that is the original itself is refused.
  const fs::path scratch = common::scratch_path_of(output);
  struct stat original_stat {};
  struct stat scratch_stat {};
  if (::fstat(from, &original_stat) == 0 && ::lstat(scratch.c_str(), &scratch_stat) == 0 &&
      scratch_stat.st_dev == original_stat.st_dev && scratch_stat.st_ino == original_stat.st_ino) {
    ::close(from);
    return scratch.string() + " is the original image; it cannot be the scratch file";
  }
  ::unlink(scratch.c_str());
  const int to = ::open(scratch.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (to < 0) {
    ::close(from);
    return "cannot create the scratch file " + scratch.string();
  }
  const mode_t mask = ::umask(0);
  ::umask(mask);
  auto failure = write_image(from, to, plan, scratch);
  if (::fchmod(to, 0666 & ~mask) != 0 && !failure) failure = "cannot write " + scratch.string();
  if (::close(to) != 0 && !failure) failure = "cannot write " + scratch.string();
  ::close(from);
  if (!failure && before_verify) before_verify(scratch);
  if (!failure) failure = verify_image(scratch, plan);
  std::error_code error;
  if (!failure) {
    fs::rename(scratch, output, error);
    if (error) failure = "cannot rename " + scratch.string() + " to " + output.string();
  }
  if (failure) fs::remove(scratch, error);
  return failure;
}

}  // namespace qv::disc
