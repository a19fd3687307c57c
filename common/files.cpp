#include "common/files.hpp"

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

namespace {

std::filesystem::path scratch_of(const std::filesystem::path& path) {
  std::filesystem::path scratch = path;
  scratch += ".partial";
  return scratch;
}

bool write_scratch(const std::filesystem::path& scratch, std::span<const std::uint8_t> bytes) {
  std::ofstream out(scratch, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (out) return true;
  std::error_code ignored;
  std::filesystem::remove(scratch, ignored);
  return false;
}

}  // namespace

std::optional<std::filesystem::path> write_files(std::span<const FileOutput> outputs) {
  std::error_code error;
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    if (!write_scratch(scratch_of(outputs[i].path), outputs[i].bytes)) {
      for (std::size_t k = 0; k < i; ++k)
        std::filesystem::remove(scratch_of(outputs[k].path), error);
      return outputs[i].path;
    }
  }
  for (const FileOutput& output : outputs) {
    std::filesystem::rename(scratch_of(output.path), output.path, error);
    if (error) {
      std::filesystem::remove(scratch_of(output.path), error);
      return output.path;
    }
  }
  return std::nullopt;
}

bool write_file(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
  const FileOutput output{path, bytes};
  return !write_files(std::span(&output, 1));
}

bool write_file(const std::filesystem::path& path, std::string_view text) {
  return write_file(path,
                    std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

}  // namespace qv::common
