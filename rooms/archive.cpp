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
                                  std::span<const std::uint8_t> part) {
  ReplacedArchive result;
  if (archive.size() <= kLargestEmptyArchive) {
    result.refusal = "archive of " + std::to_string(archive.size()) + " bytes holds no parts";
    return result;
  }
  const auto part_count = static_cast<std::int32_t>(read_u32(archive, 0));
  if (part_count > kMaxParts || part_index < 0 || part_index >= part_count) {
    result.refusal = "archive of " + std::to_string(part_count) + " parts has no part " +
                     std::to_string(part_index);
    return result;
  }
  const auto count = static_cast<std::size_t>(part_count);
  const std::size_t table_end = 4 + (count + 1) * 4;
  if (table_end > archive.size()) {
    result.refusal = "offset table runs past the end of the archive";
    return result;
  }
  std::vector<std::size_t> offsets(count + 1);
  for (std::size_t i = 0; i <= count; ++i) {
    offsets[i] = read_u32(archive, 4 + i * 4);
    const std::size_t floor = i == 0 ? table_end : offsets[i - 1];
    if (offsets[i] < floor || offsets[i] > archive.size()) {
      result.refusal = "offset " + std::to_string(i) + " (" + std::to_string(offsets[i]) +
                       ") does not follow the parts before it inside the archive";
      return result;
    }
  }

  const auto index = static_cast<std::size_t>(part_index);
  const std::size_t start = offsets[index];
  const std::size_t end = offsets[index + 1];
  const std::size_t old_size = end - start;
  // Whatever follows the part keeps its place modulo 4; a part at the very end needs no padding.
  const bool followed = end < archive.size();
  const std::size_t new_size =
      part.size() + (followed ? (4 + old_size % 4 - part.size() % 4) % 4 : 0);

  std::vector<std::uint8_t>& out = result.bytes;
  out.reserve(archive.size() - old_size + new_size);
  out.insert(out.end(), archive.begin(), archive.begin() + start);
  out.insert(out.end(), part.begin(), part.end());
  out.resize(start + new_size, 0);
  out.insert(out.end(), archive.begin() + end, archive.end());
  for (std::size_t i = index + 1; i <= count; ++i) {
    const std::size_t moved = offsets[i] - old_size + new_size;
    if (moved > 0xFFFFFFFFu) {
      result.bytes.clear();
      result.refusal = "the archive would outgrow 32-bit offsets";
      return result;
    }
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
