// SPDX-License-Identifier: GPL-3.0-or-later
#include "pack/script_builder.hpp"

#include <algorithm>
#include <array>
#include <cstdio>

#include "pack/dump_parser.hpp"
#include "pack/line_encoder.hpp"
#include "script/dump.hpp"

namespace qv::pack {

namespace {

using Slot = std::array<std::uint8_t, script::kRecordSize>;

// Record bytes 2..7 from a slot. A text block's slot holds p1..p6 in its bytes 2..7, and the
// dump shows record bytes 7, 2, 3, 4, 5, 6 as p1..p6, so p1 goes back to byte 7. The closing
// record's slot holds a0..a7 in its bytes 0..7, which go back to the same record bytes.
constexpr std::array<std::size_t, 6> kBlockRecordFromSlot = {3, 4, 5, 6, 7, 2};
constexpr std::array<std::size_t, 6> kClosingRecordFromSlot = {2, 3, 4, 5, 6, 7};

template <typename... Numbers>
std::string printed(const char* format, Numbers... numbers) {
  char text[160];
  std::snprintf(text, sizeof text, format, numbers...);
  return text;
}

void put_record(std::vector<std::uint8_t>& script, std::size_t record, std::size_t start,
                const Slot& slot, const std::array<std::size_t, 6>& from_slot) {
  std::uint8_t* bytes = script.data() + record * script::kRecordSize;
  bytes[0] = static_cast<std::uint8_t>(start);
  bytes[1] = static_cast<std::uint8_t>(start >> 8);
  for (std::size_t i = 0; i < from_slot.size(); ++i) bytes[2 + i] = slot[from_slot[i]];
}

// 1-based number of the line that starts at byte `offset` of the text.
std::size_t line_at(std::span<const std::uint8_t> text, std::size_t offset) {
  return 1 + static_cast<std::size_t>(std::count(
                 text.begin(), text.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
}

// A line without its line break.
std::string_view line_content(std::string_view line) {
  if (line.ends_with('\n')) line.remove_suffix(1);
  if (line.ends_with('\r')) line.remove_suffix(1);
  return line;
}

// Everything after the last block is ignored; only line breaks and spaces lose nothing.
void note_text_after_last_block(std::span<const std::uint8_t> text, std::size_t from,
                                std::vector<TextLoss>& losses) {
  std::size_t first = from;
  while (first < text.size() &&
         (text[first] == '\r' || text[first] == '\n' || text[first] == ' ')) {
    ++first;
  }
  if (first < text.size()) losses.push_back({Loss::after_last_block, first, text.size()});
}

}  // namespace

std::vector<std::uint8_t> empty_script() {
  return {0x08, 0, 0, 0, 0, 0, 0, 0};
}

BuiltScript build_script(std::span<const std::uint8_t> dump_text) {
  BuiltScript built;
  if (is_empty_room_text(dump_text)) {
    built.script = empty_script();
    return built;
  }
  LineReader reader(dump_text);
  // Every refusal names the line where reading stopped; `from` is where that line starts.
  auto refuse = [&](std::size_t from, std::string reason) {
    built.script.clear();
    built.refusal = std::move(reason);
    built.refusal_line = line_at(dump_text, from);
    return std::move(built);
  };

  const auto first = reader.read_line();
  const auto header = first ? parse_room_header(*first) : std::nullopt;
  if (!header) return refuse(0, "the room line cannot be read as \"<Room N with N text entries>\"");
  const std::size_t second_at = reader.position();
  const auto second = reader.read_line();
  const auto additional = second ? parse_additional_params(*second) : std::nullopt;
  if (!additional) return refuse(second_at, "the additional params line cannot be read");
  // The count matters only once both header lines have been read.
  const long blocks = header->block_count;
  if (blocks < 0 || blocks > kMaxBlocks) {
    return refuse(0, printed("%ld text entries is outside 0..%ld", blocks, kMaxBlocks));
  }

  // Slot b holds the params of the block whose header names b; slot N + 1 the closing record's.
  std::vector<Slot> slots(static_cast<std::size_t>(kMaxBlockNumber) + 1, Slot{});
  slots[blocks + 1] = *additional;
  std::vector<std::size_t> starts(static_cast<std::size_t>(blocks) + 2, 0);

  std::vector<std::uint8_t>& script = built.script;
  script.assign(script::kRecordSize * (blocks + 1), 0);
  reader.read_line();  // the empty line before the first block
  if (blocks == 0) note_text_after_last_block(dump_text, reader.position(), built.losses);
  LineTrace trace;
  for (long i = 1; i <= blocks; ++i) {
    starts[i] = script.size();
    const std::size_t header_at = reader.position();
    const auto line = reader.read_line();
    if (!line) return refuse(header_at, printed("text block %ld is missing", i));
    const auto block = parse_block_header(*line);
    if (!block) {
      return refuse(header_at, printed("the header of text block %ld cannot be read", i));
    }
    if (block->block < 1 || block->block > kMaxBlockNumber) {
      return refuse(header_at, printed("text block %ld names block number %ld, outside 1..%ld", i,
                                       block->block, kMaxBlockNumber));
    }
    std::copy(block->params.begin(), block->params.end(), slots[block->block].begin() + 2);
    if (block->trailing_text) {
      built.losses.push_back({Loss::after_block_header, header_at + block->trailing_text->first,
                              header_at + block->trailing_text->second});
    }
    const std::size_t text_at = reader.position();
    for (;;) {
      const std::size_t line_at = reader.position();
      const auto text_line = reader.read_line();
      if (!text_line) {
        return refuse(header_at, printed("the text ends inside text block %ld (no line ending "
                                         "with \"<End of block>\")",
                                         i));
      }
      trace.losses.clear();
      encode_line(*text_line, script, built.console, &trace);
      for (const LineLoss& loss : trace.losses) {
        built.losses.push_back({loss.loss, line_at + loss.begin, line_at + loss.end, loss.written});
      }
      if (ends_block(*text_line)) break;
    }
    built.blocks.push_back({header_at, text_at, reader.position()});
    const std::size_t gap_at = reader.position();
    if (i == blocks) {
      note_text_after_last_block(dump_text, gap_at, built.losses);
      break;
    }
    // The empty line before the next block; whatever it holds is skipped.
    if (const auto gap = reader.read_piece(kGapBuffer)) {
      const std::size_t content = line_content(*gap).size();
      if (content > 0) built.losses.push_back({Loss::gap_text, gap_at, gap_at + content});
    }
  }
  starts[blocks + 1] = script.size();
  script.push_back(0x00);
  if (script.size() > kMaxScriptSize) {
    return refuse(0, printed("the script would be %zu bytes, more than the %zu that 16-bit "
                             "offsets reach",
                             script.size(), kMaxScriptSize));
  }
  for (long k = 1; k <= blocks; ++k) {
    put_record(script, k - 1, starts[k], slots[k], kBlockRecordFromSlot);
  }
  put_record(script, blocks, starts[blocks + 1], slots[blocks + 1], kClosingRecordFromSlot);
  return built;
}

}  // namespace qv::pack
