// SPDX-License-Identifier: GPL-3.0-or-later
#include "rooms/archive.hpp"

#include <algorithm>

namespace qv::rooms {

namespace {

constexpr int kPalettePart = 1;
constexpr int kScriptPart = 8;
constexpr std::size_t kDecisionByteOffset = 4;

std::uint32_t read_u32(std::span<const std::uint8_t> bytes, std::size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | std::uint32_t{bytes[at + 3]} << 24;
}

}  // namespace

std::string part_name(int part_index, std::string_view kind, int decision_byte) {
  if (kind == "code" && part_index == kPalettePart) return "1palette";
  if (kind == "code" && part_index == kScriptPart) return "8script";
  std::string name = std::to_string(part_index);
  if (kind == "GFX") name += decision_byte == 1 ? ".raw" : ".tim";
  return name;
}

SplitArchive split_room_archive(std::span<const std::uint8_t> archive, std::string_view kind) {
  SplitArchive result;
  if (archive.size() <= kLargestEmptyArchive) return result;
  result.split = true;
  const auto part_count = static_cast<std::int32_t>(read_u32(archive, 0));
  if (part_count > kMaxParts) {
    result.notes.push_back("part count " + std::to_string(part_count) +
                           " exceeds 503; archive not split");
    result.refused = true;
    return result;
  }
  if (part_count <= 0) return result;

  // Offsets that lie past the end of the archive read as its end.
  const std::size_t size = archive.size();
  std::vector<std::size_t> part_offsets(static_cast<std::size_t>(part_count) + 1, size);
  const std::size_t table_end = 4 + part_offsets.size() * 4;
  for (std::size_t i = 0; i < part_offsets.size() && 4 + i * 4 + 4 <= size; ++i) {
    part_offsets[i] = read_u32(archive, 4 + i * 4);
  }
  if (table_end > size) result.notes.push_back("offset table runs past the end of the archive");

  std::size_t position = table_end;  // where the previous step left the archive
  for (int p = 0; p < part_count; ++p) {
    const std::size_t start = part_offsets[p];
    const std::size_t end = part_offsets[p + 1];
    // A decision byte past the end of the archive cannot be read, so it is not 1.
    int decision_byte = -1;
    if (position < size && size - position > kDecisionByteOffset)
      decision_byte = archive[position + kDecisionByteOffset];

    RoomPart part{part_name(p, kind, decision_byte), {}};
    const std::string label = "part " + std::to_string(p) + " (" + part.name + ")";
    if (end < start) {
      result.notes.push_back(label + ": offsets decrease; written empty");
    } else if (end > size) {
      const std::size_t available = start < size ? size - start : 0;
      result.notes.push_back(label + ": reaches past the end of the archive; " +
                             std::to_string(available) + " of " + std::to_string(end - start) +
                             " bytes written");
    }
    const std::size_t copy_end = std::min(std::max(start, end), size);
    if (start < copy_end) part.bytes.assign(archive.begin() + start, archive.begin() + copy_end);
    // The next decision byte is read from where this part ends by its offsets, even when the
    // part itself was written short or empty.
    position = end;
    result.parts.push_back(std::move(part));
  }
  return result;
}

std::vector<std::uint8_t> build_room_archive(std::span<const std::vector<std::uint8_t>> parts,
                                             const ArchiveSlack& slack) {
  std::vector<std::uint8_t> archive;
  auto put_u32 = [&archive](std::size_t value) {
    for (int i = 0; i < 4; ++i) archive.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  };
  put_u32(parts.size());
  std::size_t offset = 4 + 4 * (parts.size() + 1) + slack.after_table.size();
  for (const auto& part : parts) {
    put_u32(offset);
    offset += part.size();
  }
  put_u32(offset);
  archive.insert(archive.end(), slack.after_table.begin(), slack.after_table.end());
  for (const auto& part : parts) archive.insert(archive.end(), part.begin(), part.end());
  archive.insert(archive.end(), slack.after_last_part.begin(), slack.after_last_part.end());
  return archive;
}

ReplacedArchive replace_room_part(std::span<const std::uint8_t> archive, int part_index,
                                  std::span<const std::uint8_t> part, std::size_t unit) {
  ReplacedArchive result;
  auto refuse = [&result](std::string why) {
    result.refusal = std::move(why);
    return result;
  };
  if (archive.size() < 4) return refuse("its archive cannot be read");
  const auto part_count = static_cast<std::int32_t>(read_u32(archive, 0));
  if (part_index < 0 || part_count <= part_index || part_count > kMaxParts) {
    return refuse("its archive has " + std::to_string(part_count) + " parts, not " +
                  std::to_string(part_index + 1) + " to " + std::to_string(kMaxParts));
  }
  const auto count = static_cast<std::size_t>(part_count);
  const std::size_t table_end = 4 + (count + 1) * 4;
  if (table_end > archive.size()) return refuse("its archive's offset table runs past its end");
  std::vector<std::size_t> offsets(count + 1);
  for (std::size_t i = 0; i <= count; ++i) {
    offsets[i] = read_u32(archive, 4 + i * 4);
    if (offsets[i] < table_end)
      return refuse("its archive's offsets point inside its offset table");
    if (offsets[i] > archive.size()) return refuse("its archive's offsets point past its end");
    if (i > 0 && offsets[i] < offsets[i - 1]) return refuse("its archive's offsets decrease");
  }

  const auto index = static_cast<std::size_t>(part_index);
  const std::size_t start = offsets[index];
  const std::size_t end = offsets[index + 1];
  const std::size_t new_end = start + part.size();
  if (offsets[count] - end + new_end > 0xFFFFFFFFu) {
    return refuse("its archive would outgrow 32-bit offsets");
  }

  std::vector<std::uint8_t>& out = result.bytes;
  const std::size_t size = archive.size() - (end - start) + part.size();
  const std::size_t step = std::max<std::size_t>(unit, 1);
  out.reserve((size + step - 1) / step * step);
  out.insert(out.end(), archive.begin(), archive.begin() + static_cast<std::ptrdiff_t>(start));
  out.insert(out.end(), part.begin(), part.end());
  out.insert(out.end(), archive.begin() + static_cast<std::ptrdiff_t>(end), archive.end());
  out.resize((size + step - 1) / step * step, 0);
  for (std::size_t i = index + 1; i <= count; ++i) {
    const std::size_t moved = offsets[i] - end + new_end;
    for (int b = 0; b < 4; ++b) {
      out[4 + i * 4 + b] = static_cast<std::uint8_t>(moved >> (8 * b));
    }
  }
  return result;
}

std::vector<std::array<std::uint8_t, kColourTableSize>> convert_room_palettes(
    std::span<const std::uint8_t> palette_part) {
  std::vector<std::array<std::uint8_t, kColourTableSize>> tables(palette_part.size() /
                                                                 kPaletteSize);
  for (std::size_t k = 0; k < tables.size(); ++k) {
    for (std::size_t c = 0; c < 256; ++c) {
      const std::size_t at = k * kPaletteSize + c * 2;
      const unsigned word = palette_part[at] | palette_part[at + 1] << 8;
      tables[k][c * 3] = static_cast<std::uint8_t>((word & 0x1F) * 8);
      tables[k][c * 3 + 1] = static_cast<std::uint8_t>(((word >> 5) & 0x1F) * 8);
      tables[k][c * 3 + 2] = static_cast<std::uint8_t>(((word >> 10) & 0x1F) * 8);
    }
  }
  return tables;
}

}  // namespace qv::rooms
