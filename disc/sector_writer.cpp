// SPDX-License-Identifier: GPL-3.0-or-later
#include "disc/sector_writer.hpp"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libvcd/sector.h>
}

namespace qv::disc {

namespace {

constexpr std::uint8_t kSync[12] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
constexpr std::size_t kAddressOffset = 12;
constexpr std::size_t kModeOffset = 15;
constexpr std::uint8_t kSubmodeForm2 = 0x20;
constexpr std::uint32_t kLeadInFrames = 150;

std::uint8_t bcd(std::uint32_t value) {
  return static_cast<std::uint8_t>(value / 10 * 16 + value % 10);
}

}  // namespace

std::array<std::uint8_t, 3> sector_address(std::uint32_t lba) {
  const std::uint32_t frames = lba + kLeadInFrames;
  return {bcd(frames / 75 / 60), bcd(frames / 75 % 60), bcd(frames % 75)};
}

bool is_form1_sector(std::span<const std::uint8_t> raw, std::uint32_t lba) {
  if (raw.size() != kRawSectorSize) return false;
  if (!std::equal(std::begin(kSync), std::end(kSync), raw.begin())) return false;
  const auto address = sector_address(lba);
  if (!std::equal(address.begin(), address.end(), raw.begin() + kAddressOffset)) {
    return false;
  }
  if (raw[kModeOffset] != 2) return false;
  const auto first = raw.subspan(kSubheaderOffset, kSubheaderSize);
  const auto second = raw.subspan(kSubheaderOffset + kSubheaderSize, kSubheaderSize);
  if (!std::equal(first.begin(), first.end(), second.begin())) return false;
  return (first[2] & kSubmodeForm2) == 0;
}

RawSector make_form1_sector(std::uint32_t lba,
                            std::span<const std::uint8_t, kSubheaderSize> subheader,
                            std::span<const std::uint8_t, kUserDataSize> user_data) {
  RawSector raw{};
  // The library builds sync, address, both subheader copies, EDC and ECC. Sector numbers come
  // from 24-bit directory fields, far inside the range its address arithmetic handles.
  const std::uint8_t submode = subheader[2] & static_cast<std::uint8_t>(~kSubmodeForm2);
  _vcd_make_mode2(raw.data(), user_data.data(), lba, subheader[0], subheader[1], submode,
                  subheader[3]);
  return raw;
}

std::optional<std::size_t> directory_entry_offset(std::span<const std::uint8_t> directory,
                                                  int file_number) {
  if (file_number < 0) return std::nullopt;
  int accepted = 0;
  for (std::size_t at = 0; at + kDirectoryEntrySize <= directory.size();
       at += kDirectoryEntrySize) {
    if (directory[at + 2] > kLastAcceptedByte2) continue;
    if (accepted == file_number) return at;
    ++accepted;
  }
  return std::nullopt;
}

}  // namespace qv::disc
