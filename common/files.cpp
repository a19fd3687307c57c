// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/files.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <system_error>

namespace qv::common {

std::uint64_t file_size(std::FILE* stream) {
  const long here = std::ftell(stream);
  if (here < 0 || std::fseek(stream, 0, SEEK_END) != 0) return 0;
  const long end = std::ftell(stream);
  std::fseek(stream, here, SEEK_SET);
  return end < 0 ? 0 : static_cast<std::uint64_t>(end);
}

std::optional<Bytes> read_file(const std::filesystem::path& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0) return std::nullopt;
  Bytes bytes(static_cast<std::size_t>(size));
  in.seekg(0, std::ios::beg);
  if (size > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), size)) return std::nullopt;
  return bytes;
}

std::optional<std::string> read_text_file(const std::filesystem::path& path) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) return std::nullopt;
  const auto bytes = read_file(path);
  if (!bytes) return std::nullopt;
  return std::string(bytes->begin(), bytes->end());
}

namespace {

namespace fs = std::filesystem;

std::string reason_of(int error_number) {
  return std::error_code(error_number, std::generic_category()).message();
}

void remove_quietly(const fs::path& path) {
  std::error_code ignored;
  fs::remove(path, ignored);
}

// Fills the scratch file of a target; removes it again when it could not be written whole.
std::optional<std::string> write_scratch(const fs::path& scratch,
                                         const std::function<bool(const ByteSink&)>& fill) {
  const int descriptor = ::open(scratch.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (descriptor < 0) return reason_of(errno);
  int failure = 0;
  const ByteSink sink = [&](std::span<const std::uint8_t> bytes) {
    while (!bytes.empty() && failure == 0) {
      const ssize_t put = ::write(descriptor, bytes.data(), bytes.size());
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) {
        failure = put < 0 ? errno : EIO;
        break;
      }
      bytes = bytes.subspan(static_cast<std::size_t>(put));
    }
    return failure == 0;
  };
  const bool filled = fill(sink);
  if (::close(descriptor) != 0 && failure == 0) failure = errno;
  if (filled && failure == 0) return std::nullopt;
  remove_quietly(scratch);
  return reason_of(failure != 0 ? failure : EIO);
}

std::function<bool(const ByteSink&)> whole(std::span<const std::uint8_t> bytes) {
  return [bytes](const ByteSink& sink) { return bytes.empty() || sink(bytes); };
}

}  // namespace

fs::path scratch_path_of(const fs::path& path) {
  fs::path scratch = path;
  scratch += ".partial";
  return scratch;
}

std::optional<WriteFailure> write_files(std::span<const FileOutput> outputs) {
  // A folder in a target's place would only be found at its rename, after others were renamed.
  for (const FileOutput& output : outputs) {
    std::error_code error;
    if (fs::is_directory(fs::symlink_status(output.path, error))) {
      return WriteFailure{output.path, reason_of(EISDIR)};
    }
  }
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    if (auto reason = write_scratch(scratch_path_of(outputs[i].path), whole(outputs[i].bytes))) {
      for (std::size_t k = 0; k < i; ++k) remove_quietly(scratch_path_of(outputs[k].path));
      return WriteFailure{outputs[i].path, std::move(*reason)};
    }
  }
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    std::error_code error;
    fs::rename(scratch_path_of(outputs[i].path), outputs[i].path, error);
    if (error) {
      // None of the scratch files that are still there may stay behind.
      for (std::size_t k = i; k < outputs.size(); ++k)
        remove_quietly(scratch_path_of(outputs[k].path));
      return WriteFailure{outputs[i].path, error.message()};
    }
  }
  return std::nullopt;
}

std::optional<WriteFailure> write_file_from(const fs::path& path,
                                            const std::function<bool(const ByteSink&)>& fill) {
  const fs::path scratch = scratch_path_of(path);
  if (auto reason = write_scratch(scratch, fill)) return WriteFailure{path, std::move(*reason)};
  std::error_code error;
  fs::rename(scratch, path, error);
  if (!error) return std::nullopt;
  remove_quietly(scratch);
  return WriteFailure{path, error.message()};
}

std::optional<WriteFailure> try_write_file(const fs::path& path,
                                           std::span<const std::uint8_t> bytes) {
  return write_file_from(path, whole(bytes));
}

std::optional<WriteFailure> try_write_file(const fs::path& path, std::string_view text) {
  return try_write_file(path,
                        std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

bool write_file(const fs::path& path, std::span<const std::uint8_t> bytes) {
  return !try_write_file(path, bytes);
}

bool write_file(const fs::path& path, std::string_view text) {
  return !try_write_file(path, text);
}

}  // namespace qv::common
