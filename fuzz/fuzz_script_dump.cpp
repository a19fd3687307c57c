// SPDX-License-Identifier: GPL-3.0-or-later
// The record table and the dump writer over a decompressed script. Input: two bytes
// (little-endian) choosing the room number, then the script.
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <variant>

#include "fuzz/check.hpp"
#include "script/decoder.hpp"
#include "script/dump.hpp"
#include "script/vocabulary.hpp"

namespace {

using namespace qv::script;

std::string line(const char* format, auto... numbers) {
  char text[96];
  std::snprintf(text, sizeof text, format, numbers...);
  return std::string(text) + std::string(kLineBreak);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const int room = (data[0] | data[1] << 8) % 537;
  const std::span<const std::uint8_t> script(data + 2, size - 2);

  const auto read = read_record_table(script);
  const std::size_t first_offset = script.size() >= 2 ? std::size_t(script[0] | script[1] << 8) : 0;
  const bool readable = script.size() >= kRecordSize && first_offset != 0 &&
                        first_offset % kRecordSize == 0 &&
                        first_offset <= kMaxRecords * kRecordSize && first_offset <= script.size();
  QV_FUZZ_CHECK(std::holds_alternative<RecordTable>(read) == readable,
                "table accepted or refused wrongly");
  std::size_t records = 0;
  if (const auto* table = std::get_if<RecordTable>(&read)) {
    records = table->records.size();
    QV_FUZZ_CHECK(records * kRecordSize == first_offset, "record count");
    for (std::size_t i = 0; i < records; ++i) {
      for (std::size_t b = 0; b < kRecordSize; ++b)
        QV_FUZZ_CHECK(table->records[i][b] == script[i * kRecordSize + b], "record bytes");
    }
  } else {
    QV_FUZZ_CHECK(!std::get<UnreadableTable>(read).reason.empty(), "refusal without a reason");
  }

  const RoomDump dump = dump_room(script, room);
  if (script.size() < kSmallestDumpedScript) {
    QV_FUZZ_CHECK(dump.text == line("<Room %d is empty !!!>", room), "empty-room text");
    return 0;
  }
  QV_FUZZ_CHECK(dump.text.has_value() == readable, "a dump without a table, or none with one");
  if (!dump.text) return 0;
  const std::string& text = *dump.text;

  // Every line ends in CR LF, and each block has its header line and its end marker in order.
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') QV_FUZZ_CHECK(i > 0 && text[i - 1] == '\r', "a line feed without CR");
  }
  QV_FUZZ_CHECK(text.size() >= 2 && text.ends_with(kLineBreak), "text does not end a line");
  const std::size_t blocks = records - 1;
  QV_FUZZ_CHECK(text.starts_with(line("<Room %d with %zu text entries>", room, blocks)),
                "first line");
  std::size_t at = 0;
  for (std::size_t k = 1; k <= blocks; ++k) {
    at = text.find(std::string(kLineBreak) + "<Text block " + std::to_string(k) + ">", at);
    QV_FUZZ_CHECK(at != std::string::npos, "a block header is missing");
    at = text.find(kEndOfBlock, at);
    QV_FUZZ_CHECK(at != std::string::npos, "a block end marker is missing");
  }
  if (blocks > 0) {
    QV_FUZZ_CHECK(text.ends_with(std::string(kEndOfBlock) + std::string(kLineBreak)),
                  "the last block is not closed");
  }
  return 0;
}
