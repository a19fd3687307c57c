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

bool write_file(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
  std::filesystem::path scratch = path;
  scratch += ".partial";
  {
    std::ofstream out(scratch, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      std::error_code ignored;
      std::filesystem::remove(scratch, ignored);
      return false;
    }
  }
  std::error_code error;
  std::filesystem::rename(scratch, path, error);
  if (error) {
    std::filesystem::remove(scratch, error);
    return false;
  }
  return true;
}

bool write_file(const std::filesystem::path& path, std::string_view text) {
  return write_file(path,
                    std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

}  // namespace qv::common
