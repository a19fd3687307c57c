// SPDX-License-Identifier: GPL-3.0-or-later
#include "script/dump.hpp"

#include <cstdio>

#include "script/decoder.hpp"
#include "script/vocabulary.hpp"

namespace qv::script {

namespace {

// Rooms and blocks that the dump marks on the console, a trace kept from the original tool.
constexpr int kMarkedRoom = 48;
constexpr std::size_t kMarkedBlock = 220;

template <typename... Numbers>
std::string printed(const char* format, Numbers... numbers) {
  char text[128];
  std::snprintf(text, sizeof text, format, numbers...);
  return text;
}

}  // namespace

std::variant<RecordTable, UnreadableTable> read_record_table(std::span<const std::uint8_t> script) {
  if (script.size() < kRecordSize) return UnreadableTable{"script too short for a record"};
  const std::size_t table_length = script[0] | script[1] << 8;
  if (table_length == 0) return UnreadableTable{"first record offset is 0"};
  if (table_length % kRecordSize != 0) {
    return UnreadableTable{printed("first record offset %zu is not a multiple of 8", table_length)};
  }
  if (table_length > kMaxRecords * kRecordSize) {
    return UnreadableTable{printed("%zu records exceed 5000", table_length / kRecordSize)};
  }
  if (table_length > script.size()) {
    return UnreadableTable{
        printed("record table of %zu bytes is longer than the script (%zu bytes)", table_length,
                script.size())};
  }
  RecordTable table;
  table.records.resize(table_length / kRecordSize);
  for (std::size_t i = 0; i < table.records.size(); ++i) {
    for (std::size_t b = 0; b < kRecordSize; ++b) table.records[i][b] = script[i * kRecordSize + b];
  }
  return table;
}

RoomDump dump_room(std::span<const std::uint8_t> script, int room) {
  RoomDump dump;
  if (script.size() < kSmallestDumpedScript) {
    dump.text = std::string(kRoomLinePrefix) + std::to_string(room) +
                std::string(kEmptyRoomSuffix) + std::string(kLineBreak);
    return dump;
  }
  if (room == kMarkedRoom) dump.console += "umf2";
  auto read = read_record_table(script);
  if (auto* problem = std::get_if<UnreadableTable>(&read)) {
    dump.console += " no dump written: " + problem->reason;
    return dump;
  }
  const auto& records = std::get<RecordTable>(read).records;
  const std::size_t blocks = records.size() - 1;
  const BlockRecord& closing = records.back();

  std::string text = printed("<Room %d with %zu text entries>", room, blocks);
  text += kLineBreak;
  text += printed("<additional params: %d %d %d %d %d %d %d %d>", closing[0], closing[1],
                  closing[2], closing[3], closing[4], closing[5], closing[6], closing[7]);
  text += kLineBreak;
  dump.console += printed(" with %zu text blocks", blocks);

  // The text is read on sequentially after the table; the offsets only count each block's bytes.
  ByteReader in(script, records.size() * kRecordSize);
  bool ran_out = false;
  for (std::size_t k = 1; k <= blocks; ++k) {
    const BlockRecord& record = records[k - 1];
    text += kLineBreak;
    text += printed("<Text block %zu>", k);
    if (k == kMarkedBlock) dump.console += "umf";
    text += printed("<params: %d %d %d %d %d %d>", record[7], record[2], record[3], record[4],
                    record[5], record[6]);
    text += kLineBreak;
    const int end = start_offset(records[k]);
    for (int position = start_offset(record); position < end && !ran_out; ++position) {
      const auto code = in.next();
      const auto argument_bytes = code ? decode_code(*code, in, text) : std::nullopt;
      if (!argument_bytes) {
        ran_out = true;
        break;
      }
      position += *argument_bytes;
    }
    text += kEndOfBlock;
    text += kLineBreak;
  }
  if (ran_out) {
    dump.console +=
        printed(" (script ends at byte %zu, before its text does; text cut there)", script.size());
  }
  dump.text = std::move(text);
  return dump;
}

}  // namespace qv::script
