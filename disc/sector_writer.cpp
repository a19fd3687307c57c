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

bool is_form1_sector(std::span<const std::uint8_t> raw, std::uint32_t lba) {
  if (raw.size() != kRawSectorSize) return false;
  if (!std::equal(std::begin(kSync), std::end(kSync), raw.begin())) return false;
  const std::uint32_t frames = lba + kLeadInFrames;
  const std::uint8_t address[3] = {bcd(frames / 75 / 60), bcd(frames / 75 % 60), bcd(frames % 75)};
  if (!std::equal(std::begin(address), std::end(address), raw.begin() + kAddressOffset)) {
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

SectorPlan plan_sector_rewrite(ImageSource& image, std::uint32_t lba,
                               std::span<const std::uint8_t, kUserDataSize> user_data) {
  SectorPlan plan;
  RawSector old{};
  if (image.read_at(sector_offset(lba), old) != old.size()) {
    plan.refusal = "sector " + std::to_string(lba) + " lies past the end of the image";
    return plan;
  }
  if (!is_form1_sector(old, lba)) {
    plan.refusal = "sector " + std::to_string(lba) + " is not a Mode 2 Form 1 sector of its place";
    return plan;
  }
  if (std::equal(user_data.begin(), user_data.end(), old.begin() + kSectorHeaderSize)) {
    return plan;
  }
  const auto subheader = std::span(old).subspan<kSubheaderOffset, kSubheaderSize>();
  plan.patch = SectorPatch{lba, make_form1_sector(lba, subheader, user_data)};
  return plan;
}

FileRewrite plan_file_rewrite(ImageSource& image, const FileExtent& extent,
                              std::span<const std::uint8_t> content) {
  FileRewrite rewrite;
  const std::uint64_t sectors = extent.sector_count();
  if (sectors == 0) {
    rewrite.refusal = "the file has no sectors";
    return rewrite;
  }
  const std::uint64_t room = sectors * kUserDataSize;
  if (content.size() > room) {
    rewrite.refusal = std::to_string(content.size()) + " bytes do not fit in the " +
                      std::to_string(sectors) + " sectors (" + std::to_string(room) +
                      " bytes) of the file";
    return rewrite;
  }
  // The last sector carries 8 to 2048 bytes of a file in whole 8-byte units.
  const std::uint64_t smallest = room - kUserDataSize + 8;
  const std::uint64_t size = std::max<std::uint64_t>((content.size() + 7) / 8 * 8, smallest);
  rewrite.slack_units = static_cast<std::uint8_t>((room - size) / 8);

  std::array<std::uint8_t, kUserDataSize> user{};
  for (std::uint64_t s = 0; s < sectors; ++s) {
    const std::uint64_t at = s * kUserDataSize;
    const std::size_t take =
        at < content.size()
            ? static_cast<std::size_t>(std::min<std::uint64_t>(kUserDataSize, content.size() - at))
            : 0;
    std::fill(user.begin(), user.end(), 0);
    if (take > 0) std::memcpy(user.data(), content.data() + at, take);
    SectorPlan plan =
        plan_sector_rewrite(image, static_cast<std::uint32_t>(extent.start + s), user);
    if (plan.refusal) {
      rewrite.patches.clear();
      rewrite.refusal = std::move(plan.refusal);
      return rewrite;
    }
    if (plan.patch) rewrite.patches.push_back(*plan.patch);
  }
  return rewrite;
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
