#pragma once
// Room archives made in memory for the tests.
#include <cstdint>
#include <vector>

namespace qv::test {

inline void put_u32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A gap-free archive of the given parts.
inline std::vector<std::uint8_t> archive_of(const std::vector<std::vector<std::uint8_t>>& parts) {
  std::vector<std::uint8_t> archive;
  put_u32(archive, static_cast<std::uint32_t>(parts.size()));
  std::uint32_t offset = static_cast<std::uint32_t>(4 + 4 * (parts.size() + 1));
  for (const auto& part : parts) {
    put_u32(archive, offset);
    offset += static_cast<std::uint32_t>(part.size());
  }
  put_u32(archive, offset);
  for (const auto& part : parts) archive.insert(archive.end(), part.begin(), part.end());
  return archive;
}

}  // namespace qv::test
