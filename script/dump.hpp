// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The decompressed script's record table and the dump text written from it.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace qv::script {

inline constexpr std::size_t kRecordSize = 8;
inline constexpr std::size_t kMaxRecords = 5000;
inline constexpr std::size_t kSmallestDumpedScript = 51;  // shorter scripts dump as empty rooms

// The line of an empty room: the prefix, the room number in decimal, the suffix, a line break.
inline constexpr std::string_view kRoomLinePrefix = "<Room ";
inline constexpr std::string_view kEmptyRoomSuffix = " is empty !!!>";

using BlockRecord = std::array<std::uint8_t, kRecordSize>;

inline std::uint16_t start_offset(const BlockRecord& record) {
  return static_cast<std::uint16_t>(record[0] | record[1] << 8);
}

// The records 1..N at the start of a decompressed script: the text blocks' records and, last,
// the closing record. N is the first start offset divided by 8.
struct RecordTable {
  std::vector<BlockRecord> records;
};

// Why a record table cannot be read; `reason` is a short English text for the console.
struct UnreadableTable {
  std::string reason;
};

// Reads the record table. Refuses a first start offset of 0, one that is not a multiple of 8,
// one that exceeds the room of 5000 records, and a table longer than the script; reads nothing
// outside `script`.
std::variant<RecordTable, UnreadableTable> read_record_table(std::span<const std::uint8_t> script);

struct RoomDump {
  std::optional<std::string> text;  // the dump text; nothing when the room gets none
  std::string console;              // what the room's console line shows after its number
};

// The dump text of one room's decompressed script, lines ending in CR LF. Scripts under 51
// bytes give the empty-room line, an unreadable record table no text and its reason on the
// console. A script that ends before its closing record's offset is decoded up to its end
// (every block still gets its end marker) and noted on the console. Any bytes are accepted,
// and nothing outside `script` is read.
RoomDump dump_room(std::span<const std::uint8_t> script, int room);

}  // namespace qv::script
