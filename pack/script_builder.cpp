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

// The params of a slot as they go into a record's bytes 2..7: for a text block p2, p5, p4, p3,
// p6, p1, the order the game's scripts keep them in.
constexpr std::array<std::size_t, 6> kRecordParamFromSlot = {3, 6, 5, 4, 7, 2};

template <typename... Numbers>
std::string printed(const char* format, Numbers... numbers) {
  char text[160];
  std::snprintf(text, sizeof text, format, numbers...);
  return text;
}

void put_record(std::vector<std::uint8_t>& script, std::size_t record, std::size_t start,
                const Slot& slot) {
  std::uint8_t* bytes = script.data() + record * script::kRecordSize;
  bytes[0] = static_cast<std::uint8_t>(start);
  bytes[1] = static_cast<std::uint8_t>(start >> 8);
  for (std::size_t i = 0; i < kRecordParamFromSlot.size(); ++i) {
    bytes[2 + i] = slot[kRecordParamFromSlot[i]];
  }
}

BuiltScript refused(std::string console, std::string reason) {
  return BuiltScript{{}, std::move(console), std::move(reason)};
}

}  // namespace

std::vector<std::uint8_t> empty_script() {
  return {0x08, 0, 0, 0, 0, 0, 0, 0};
}

BuiltScript build_script(std::span<const std::uint8_t> dump_text) {
  LineReader reader(dump_text);
  BuiltScript built;

  const auto first = reader.read(kLineBuffer);
  const auto header = first ? parse_room_header(*first) : std::nullopt;
  if (!header) {
    built.script = empty_script();
    return built;
  }
  const auto second = reader.read(kLineBuffer);
  const auto additional = second ? parse_additional_params(*second) : std::nullopt;
  if (!additional) {
    built.script = empty_script();
    return built;
  }
  // The count matters only once both header lines have been read.
  const long blocks = header->block_count;
  if (blocks < 0 || blocks > kMaxBlocks) {
    return refused({}, printed("%ld text entries is outside 0..%ld", blocks, kMaxBlocks));
  }

  // Slot b holds the params of the block whose header names b; slot N + 1 the closing record's.
  std::vector<Slot> slots(static_cast<std::size_t>(kMaxBlockNumber) + 1, Slot{});
  slots[blocks + 1] = *additional;
  std::vector<std::size_t> starts(static_cast<std::size_t>(blocks) + 2, 0);

  std::vector<std::uint8_t>& script = built.script;
  script.assign(script::kRecordSize * (blocks + 1), 0);
  reader.read(kLineBuffer);  // the empty line before the first block
  for (long i = 1; i <= blocks; ++i) {
    starts[i] = script.size();
    const auto line = reader.read(kLineBuffer);
    if (!line) return refused(built.console, printed("text block %ld is missing", i));
    const auto block = parse_block_header(*line);
    if (!block) {
      return refused(built.console, printed("the header of text block %ld cannot be read", i));
    }
    if (block->block < 1 || block->block > kMaxBlockNumber) {
      return refused(built.console, printed("text block %ld names block number %ld, outside 1..%ld",
                                            i, block->block, kMaxBlockNumber));
    }
    std::copy(block->params.begin(), block->params.end(), slots[block->block].begin() + 2);
    for (;;) {
      const auto piece = reader.read(kLineBuffer);
      if (!piece) {
        return refused(
            built.console,
            printed("the text ends inside text block %ld (no \"<End of block>\" line)", i));
      }
      encode_line(*piece, script, built.console);
      if (is_end_line(*piece)) break;
    }
    reader.read(kGapBuffer);  // the empty line before the next block
  }
  starts[blocks + 1] = script.size();
  script.push_back(0x00);
  if (script.size() > kMaxScriptSize) {
    return refused(built.console,
                   printed("the script would be %zu bytes, more than the %zu that 16-bit offsets "
                           "reach",
                           script.size(), kMaxScriptSize));
  }
  for (long k = 1; k <= blocks + 1; ++k) put_record(script, k - 1, starts[k], slots[k]);
  return built;
}

}  // namespace qv::pack
