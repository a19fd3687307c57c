// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whole-file reads and writes over bytes. The tools read a file into memory, work on the bytes
// with pure functions and write each output in one go, so no half-written file is left behind.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qv::common {

using Bytes = std::vector<std::uint8_t>;

// Size in bytes of an open stream, found by seeking to its end; the read position is restored.
// Returns 0 for a stream that cannot seek.
std::uint64_t file_size(std::FILE* stream);

// The whole content of a regular file, or nothing when it cannot be opened or read.
std::optional<Bytes> read_file(const std::filesystem::path& path);

// The same as text (bytes of code page 1252 kept as they are); nothing for a directory too.
std::optional<std::string> read_text_file(const std::filesystem::path& path);

// Why a file could not be written: the file and the system's reason ("File too large").
struct WriteFailure {
  std::filesystem::path path;
  std::string reason;
};

// Every write goes to a scratch file beside its target ("<name>.partial"), which then replaces
// the target, so a failed or killed write never leaves a half-written target. The scratch name
// is fixed, so a run that was killed leaves at most one scratch per target, and the next write
// of that target reuses and removes it.
std::filesystem::path scratch_path_of(const std::filesystem::path& path);

// Creates or empties `path` and writes `bytes` to it. Returns false when the file could not be
// written; the older file is kept then and no scratch file is left behind.
bool write_file(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);
bool write_file(const std::filesystem::path& path, std::string_view text);
// The same, saying why a write failed.
std::optional<WriteFailure> try_write_file(const std::filesystem::path& path,
                                           std::span<const std::uint8_t> bytes);
std::optional<WriteFailure> try_write_file(const std::filesystem::path& path,
                                           std::string_view text);

// Takes the bytes of one file piece by piece; false when they could not be stored.
using ByteSink = std::function<bool(std::span<const std::uint8_t>)>;

// Writes `path` from `fill`, which hands its bytes to the sink it gets and returns false once
// the sink refused some; for files too large to hold in memory. Same guarantees as above.
std::optional<WriteFailure> write_file_from(const std::filesystem::path& path,
                                            const std::function<bool(const ByteSink&)>& fill);

struct FileOutput {
  std::filesystem::path path;
  std::span<const std::uint8_t> bytes;
};

// Writes several files as one step: all go to scratch files first, and only when every one is
// complete do they replace their targets, so a write that fails leaves every target as it was.
// Returns the first file that could not be written or replaced, and why.
std::optional<WriteFailure> write_files(std::span<const FileOutput> outputs);

}  // namespace qv::common
