// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Room archives: a part count, an offset table and the parts. Splitting is a pure function
// from the archive's bytes to the files it yields; the driver writes them.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qv::rooms {

inline constexpr std::size_t kLargestEmptyArchive = 29;  // archives this small are not split
inline constexpr std::int32_t kMaxParts = 503;           // the offset table holds 504 slots
inline constexpr std::size_t kPaletteSize = 512;         // 256 colour words of 16 bits
inline constexpr std::size_t kColourTableSize = 768;     // 256 entries of red, green, blue

struct RoomPart {
  std::string name;
  std::vector<std::uint8_t> bytes;
};

struct SplitArchive {
  bool split = false;              // false: too small, nothing is written, no directory made
  bool refused = false;            // the archive cannot be split at all (see the notes)
  std::vector<RoomPart> parts;     // in part order
  std::vector<std::string> notes;  // problems with the archive, one short English line each
};

// The file name of part `part_index` in the kind directory `kind` ("code", "unknown", "GFX";
// compared exactly). `decision_byte` only matters for "GFX": 1 gives ".raw", anything else
// (nothing at all included) ".tim".
std::string part_name(int part_index, std::string_view kind, int decision_byte);

// Splits an archive. Never copies a wrapped-around length and never reads outside `archive`:
// a part whose offsets decrease is written empty, one that reaches past the end of the archive
// gets the bytes that exist, and an offset table cut short by the end of the archive reads its
// missing offsets as that end; each of these is noted. An archive of more than 503 parts is
// refused with a note and yields no part. The decision byte of a "GFX" part is read 4 bytes
// after where the previous part's copy ended (the end of the offset table for part 0); one that
// lies past the end of the archive counts as not 1.
SplitArchive split_room_archive(std::span<const std::uint8_t> archive, std::string_view kind);

// Bytes that some of the game's archives hold outside every part: a gap between the offset
// table and part 0, and bytes after the end of the last part (after `part_offsets`[N]).
struct ArchiveSlack {
  std::vector<std::uint8_t> after_table;
  std::vector<std::uint8_t> after_last_part;
};

// An archive of `parts`, back to back, with `slack` around them (none by default): the inverse
// of the split, for our own sample data and tests.
std::vector<std::uint8_t> build_room_archive(std::span<const std::vector<std::uint8_t>> parts,
                                             const ArchiveSlack& slack = {});

struct ReplacedArchive {
  std::vector<std::uint8_t> bytes;     // empty when refused
  std::optional<std::string> refusal;  // why the archive cannot take the part
};

// The archive with part `part_index` replaced by `part` and nothing else changed: the bytes
// before the part (a gap behind the offset table included) stay where they are, and the later
// parts and any bytes after the last one follow the new part at once, their offsets moved by the
// change in length. No padding goes between parts; the whole is padded with zero bytes to a
// multiple of `unit`. Refuses, with an English reason that reads after "file F left out: ", an
// archive that cannot hold its part count, has fewer than part_index + 1 or more than 503 parts,
// or whose offsets decrease, point inside the offset table or past the archive's end; a refused
// result holds no bytes. Reads nothing outside `archive`.
ReplacedArchive replace_room_part(std::span<const std::uint8_t> archive, int part_index,
                                  std::span<const std::uint8_t> part, std::size_t unit = 1);

// The colour tables of a palette part: one per whole 512 bytes, each colour word (15-bit
// red, green, blue, little-endian) as three bytes of its components times 8. Any length is
// accepted: a trailing piece shorter than 512 bytes gives no table, and nothing outside
// `palette_part` is read.
std::vector<std::array<std::uint8_t, kColourTableSize>> convert_room_palettes(
    std::span<const std::uint8_t> palette_part);

}  // namespace qv::rooms
