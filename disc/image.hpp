// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Access to a raw disc image of 2352-byte sectors. The only I/O is `ImageSource::read_at`;
// everything about sectors, headers and user data is arithmetic above it, so tests hand the
// same code an image held in memory.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <vector>

namespace qv::disc {

inline constexpr std::uint64_t kRawSectorSize = 2352;
inline constexpr std::uint64_t kSectorHeaderSize = 24;  // sync, header and subheader
inline constexpr std::size_t kUserDataSize = 2048;

// Byte offset of the start of sector `sector` in the image.
constexpr std::uint64_t sector_offset(std::uint64_t sector) {
  return sector * kRawSectorSize;
}

// Bytes of the user data of `sector` that lie inside an image of `image_size` bytes: 2048 for
// a whole sector, fewer when the image ends inside its user data, 0 past the end.
std::size_t user_bytes_present(std::uint64_t sector, std::uint64_t image_size);

class ImageSource {
 public:
  virtual ~ImageSource() = default;
  virtual std::uint64_t size() const = 0;
  // Copies up to out.size() bytes from `offset` into `out` and returns how many were copied;
  // fewer only at the end of the image or on a read error. Never writes past `out`.
  virtual std::size_t read_at(std::uint64_t offset, std::span<std::uint8_t> out) = 0;
};

// An image held in memory (tests, small tools). The bytes must outlive the source.
class MemoryImage final : public ImageSource {
 public:
  explicit MemoryImage(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::uint64_t size() const override { return bytes_.size(); }
  std::size_t read_at(std::uint64_t offset, std::span<std::uint8_t> out) override;

 private:
  std::span<const std::uint8_t> bytes_;
};

// An image file, read with positioned reads; no read position is shared or kept.
class FileImage final : public ImageSource {
 public:
  // Nothing when the file cannot be opened for reading.
  static std::unique_ptr<FileImage> open(const std::filesystem::path& path);
  ~FileImage() override;
  FileImage(const FileImage&) = delete;
  FileImage& operator=(const FileImage&) = delete;
  std::uint64_t size() const override { return size_; }
  std::size_t read_at(std::uint64_t offset, std::span<std::uint8_t> out) override;

 private:
  FileImage(int descriptor, std::uint64_t size) : descriptor_(descriptor), size_(size) {}
  int descriptor_;
  std::uint64_t size_;
};

// Reads the user data of runs of sectors through one fixed buffer of raw sectors, so memory
// does not depend on how many sectors are asked for.
class SectorReader {
 public:
  // `chunk_sectors` raw sectors are fetched per read (at least 1).
  explicit SectorReader(ImageSource& image, std::size_t chunk_sectors = 448);

  std::uint64_t image_size() const { return image_.size(); }
  std::uint64_t sector_count() const { return image_.size() / kRawSectorSize; }
  std::size_t chunk_sectors() const { return chunk_sectors_; }

  // Reads the user data of at most chunk_sectors() sectors from `first`, one after another,
  // into `out` (which must hold count × 2048 bytes). Returns the number of user-data bytes
  // placed at the start of `out`: count × 2048 when all are there, less when the image ends
  // (the bytes of a sector cut short are included; nothing after them is). Never touches
  // `out` beyond the returned count.
  std::size_t read_user_data(std::uint64_t first, std::size_t count, std::span<std::uint8_t> out);

 private:
  ImageSource& image_;
  std::size_t chunk_sectors_;
  std::vector<std::uint8_t> raw_;
};

}  // namespace qv::disc
