// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The script builder: a room's dump text to its decompressed script (record table, encoded text
// blocks, one trailing 0x00).
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "pack/line_encoder.hpp"

namespace qv::pack {

// Rooms hold at most 4998 text blocks: N + 1 records, and the closing record's slot N + 1, must
// fit in a table of 5000.
inline constexpr long kMaxBlocks = 4998;
inline constexpr long kMaxBlockNumber = 4999;
// Start offsets are 16 bits wide.
inline constexpr std::size_t kMaxScriptSize = 65535;

// Where one text block stands in the dump text, in byte offsets.
struct BlockSpan {
  std::size_t header;  // the "<Text block" line
  std::size_t text;    // the first line after it
  std::size_t end;     // just after the line that ends the block
};

// A piece of the dump text that the packer drops or changes, in byte offsets.
struct TextLoss {
  Loss loss;
  std::size_t begin;
  std::size_t end;
  std::uint8_t written = 0;  // for Loss::value_wrapped
};

struct BuiltScript {
  std::vector<std::uint8_t> script;    // empty when the room is refused
  std::string console;                 // the encoder's messages, in order
  std::optional<std::string> refusal;  // why the room cannot be packed (short English text)
  std::size_t refusal_line = 0;        // where in the dump text the refusal arises, from 1
  std::vector<BlockSpan> blocks;       // the blocks read, in file order
  std::vector<TextLoss> losses;        // in text order
};

// Builds the decompressed script from the bytes of a dump text. The dumper's empty-room text
// gives the 8-byte empty script. Refuses (with a reason, its line and no script) a room line or
// additional-params line that cannot be read, a block count outside 0..4998, a missing or
// unreadable block header, a block number outside 1..4999, input that ends inside a block, and
// a script of 65536 bytes or more. Room-wide refusals (the count, the size) name line 1. Reads
// nothing outside `dump_text`.
BuiltScript build_script(std::span<const std::uint8_t> dump_text);

// The script of a room without text blocks: one closing record at offset 8, params zero.
std::vector<std::uint8_t> empty_script();

}  // namespace qv::pack
