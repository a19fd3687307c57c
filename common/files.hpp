#pragma once
// Whole-file reads and writes over bytes. The tools read a file into memory, work on the bytes
// with pure functions and write each output in one go, so no half-written file is left behind.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace qv::common {

using Bytes = std::vector<std::uint8_t>;

// Size in bytes of an open stream, found by seeking to its end; the read position is restored.
// Returns 0 for a stream that cannot seek.
std::uint64_t file_size(std::FILE* stream);

// The whole content of a regular file, or nothing when it cannot be opened or read.
std::optional<Bytes> read_file(const std::filesystem::path& path);

// Creates or empties `path` and writes `bytes` to it. The bytes go to a scratch file beside it
// first, which then replaces `path`, so a failed write leaves the older file as it was.
// Returns false when the file could not be written; nothing is left behind then.
bool write_file(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);
bool write_file(const std::filesystem::path& path, std::string_view text);

struct FileOutput {
  std::filesystem::path path;
  std::span<const std::uint8_t> bytes;
};

// Writes several files as one step: all go to scratch files first, and only when every one is
// complete do they replace their targets, so a write that fails leaves every target as it was.
// Returns the first path that could not be written or replaced.
std::optional<std::filesystem::path> write_files(std::span<const FileOutput> outputs);

}  // namespace qv::common
