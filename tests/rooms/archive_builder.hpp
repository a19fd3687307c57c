// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Room archives made in memory for the tests.
#include <cstdint>
#include <vector>

#include "rooms/archive.hpp"

namespace qv::test {

inline void put_u32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A gap-free archive of the given parts.
inline std::vector<std::uint8_t> archive_of(const std::vector<std::vector<std::uint8_t>>& parts) {
  return qv::rooms::build_room_archive(parts);
}

}  // namespace qv::test
