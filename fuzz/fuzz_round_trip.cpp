// SPDX-License-Identifier: GPL-3.0-or-later
// Dump, then pack, then compress and decompress: for a script that the dump text can describe
// (at least 51 bytes, a readable record table, no argument byte past its block's end, no
// token index above 48), what comes back is the script up to its closing offset, or differs
// only where the dump text cannot tell codes apart.
#include <cstdint>
#include <span>
#include <variant>

#include "fuzz/check.hpp"
#include "pack/compressor.hpp"
#include "pack/round_trip.hpp"
#include "pack/script_builder.hpp"
#include "script/dump.hpp"
#include "script/lzss.hpp"
#include "script/vocabulary.hpp"

namespace {

using qv::script::takes_argument;

// Whether the dump text can describe `script` completely.
bool describable(std::span<const std::uint8_t> script) {
  if (script.size() < qv::script::kSmallestDumpedScript) return false;
  const auto read = qv::script::read_record_table(script);
  const auto* table = std::get_if<qv::script::RecordTable>(&read);
  if (!table) return false;
  // The text is read on after the table, each block counting its own bytes.
  std::size_t at = table->records.size() * qv::script::kRecordSize;
  for (std::size_t k = 0; k + 1 < table->records.size(); ++k) {
    const int start = qv::script::start_offset(table->records[k]);
    const int end = qv::script::start_offset(table->records[k + 1]);
    for (int position = start; position < end; ++position, ++at) {
      if (at >= script.size()) return false;
      const std::uint8_t code = script[at];
      if (!takes_argument(code)) continue;
      if (position + 1 >= end || at + 1 >= script.size()) return false;
      if (code == qv::script::kTokenCode && script[at + 1] > 48) return false;
      ++position, ++at;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> script(data, size);
  if (!describable(script)) return 0;
  const auto dump = qv::script::dump_room(script, 5);
  QV_FUZZ_CHECK(dump.text, "no dump for a readable table");
  const auto text =
      std::span(reinterpret_cast<const std::uint8_t*>(dump.text->data()), dump.text->size());
  const qv::pack::BuiltScript built = qv::pack::build_script(text);
  if (built.refusal) {
    // Only a script the 16-bit offsets cannot reach may be refused.
    QV_FUZZ_CHECK(built.refusal->starts_with("the script would be"), built.refusal->c_str());
    return 0;
  }
  QV_FUZZ_CHECK(built.console.empty(), "the packer rejected the dumper's own text");
  const auto compressed = qv::pack::compress(built.script);
  auto unpacked =
      qv::script::decompress(compressed, static_cast<std::uint32_t>(built.script.size()));
  QV_FUZZ_CHECK(unpacked == built.script, "the compressed script does not come back");
  const auto compared = qv::pack::compare_round_trip(script, unpacked);
  QV_FUZZ_CHECK(compared.result != qv::pack::RoundTrip::different, compared.difference.c_str());
  return 0;
}
