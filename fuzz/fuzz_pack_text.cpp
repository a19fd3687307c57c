// SPDX-License-Identifier: GPL-3.0-or-later
// The dump-text parser, the line encoder and the script builder over any text, as a
// translator's editor may leave it.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/check.hpp"
#include "pack/dump_parser.hpp"
#include "pack/line_encoder.hpp"
#include "pack/script_builder.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> text(data, size);
  const qv::pack::BuiltScript built = qv::pack::build_script(text);
  if (built.refusal) {
    QV_FUZZ_CHECK(built.script.empty(), "a refused room still has a script");
    QV_FUZZ_CHECK(built.refusal_line >= 1, "a refusal names no line");
  } else if (built.script == qv::pack::empty_script()) {
    QV_FUZZ_CHECK(qv::pack::is_empty_room_text(text), "the empty script for a room with text");
  } else {
    const auto& script = built.script;
    QV_FUZZ_CHECK(script.size() >= 9 && script.size() <= qv::pack::kMaxScriptSize, "script size");
    QV_FUZZ_CHECK(script.back() == 0x00, "the trailing byte");
    const std::size_t table = script[0] | script[1] << 8;
    QV_FUZZ_CHECK(table % 8 == 0 && table >= 8 && table < script.size(), "the record table");
    // Start offsets follow the file order and the closing one marks the trailing byte.
    std::size_t previous = table;
    for (std::size_t record = 0; record < table / 8; ++record) {
      const std::size_t start = script[record * 8] | script[record * 8 + 1] << 8;
      QV_FUZZ_CHECK(start >= previous, "start offsets go back");
      previous = start;
    }
    QV_FUZZ_CHECK(previous == script.size() - 1, "the closing offset");
    QV_FUZZ_CHECK(built.blocks.size() == table / 8 - 1, "every block has its span");
  }
  for (const auto& block : built.blocks) {
    QV_FUZZ_CHECK(block.header < block.text && block.text <= block.end && block.end <= size,
                  "a block span outside the text");
  }
  for (const auto& loss : built.losses) {
    QV_FUZZ_CHECK(loss.begin < loss.end && loss.end <= size, "a loss outside the text");
  }

  // The encoder over the whole input as one line: every message stands for one traced loss.
  std::vector<std::uint8_t> bytes;
  std::string console;
  qv::pack::LineTrace trace;
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  qv::pack::encode_line(line, bytes, console, &trace);
  std::size_t messages = 0;
  for (const char c : console) messages += c == '\n';
  std::size_t reported = 0;
  for (const auto& loss : trace.losses) {
    QV_FUZZ_CHECK(loss.begin < loss.end && loss.end <= size, "a line loss outside the line");
    reported += loss.loss == qv::pack::Loss::unsupported_tag ||
                loss.loss == qv::pack::Loss::unsupported_character;
  }
  QV_FUZZ_CHECK(messages == reported, "messages and traced losses disagree");
  return 0;
}
