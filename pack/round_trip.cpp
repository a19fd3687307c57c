// SPDX-License-Identifier: GPL-3.0-or-later
#include "pack/round_trip.hpp"

#include <algorithm>
#include <string_view>
#include <variant>
#include <vector>

#include "pack/script_builder.hpp"
#include "script/decoder.hpp"
#include "script/dump.hpp"

namespace qv::pack {

namespace {

std::span<const std::uint8_t> up_to_closing_offset(std::span<const std::uint8_t> script) {
  const auto table = script::read_record_table(script);
  if (const auto* read = std::get_if<script::RecordTable>(&table)) {
    return script.first(
        std::min<std::size_t>(script.size(), script::start_offset(read->records.back())));
  }
  return script;
}

// The additional-params line without its first two values, the end offset.
std::string without_end_offset(const std::string& line) {
  constexpr std::string_view kHead = "<additional params: ";
  if (!line.starts_with(kHead)) return line;
  std::size_t after = kHead.size();
  for (int value = 0; value < 2 && after != std::string::npos; ++value) {
    after = line.find(' ', after);
    if (after != std::string::npos) ++after;
  }
  return after == std::string::npos ? line : std::string(kHead) + line.substr(after);
}

// The dump text's lines, the end offset taken out. The script is dumped however short it is:
// bytes after the closing offset, which the packer does not keep, may have made the original
// long enough to be dumped.
std::vector<std::string> dump_lines(std::span<const std::uint8_t> script) {
  std::vector<std::uint8_t> padded(script.begin(), script.end());
  if (padded.size() < script::kSmallestDumpedScript) padded.resize(script::kSmallestDumpedScript);
  const auto dump = script::dump_room(padded, 0);
  std::vector<std::string> lines;
  if (!dump.text) return lines;
  const std::string_view text = *dump.text;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = std::min(text.find(script::kLineBreak, start), text.size());
    lines.emplace_back(text.substr(start, end - start));
    start = end + script::kLineBreak.size();
  }
  if (lines.size() > 1) lines[1] = without_end_offset(lines[1]);
  return lines;
}

}  // namespace

RoundTripComparison compare_round_trip(std::span<const std::uint8_t> original,
                                       std::span<const std::uint8_t> repacked) {
  const auto before = up_to_closing_offset(original);
  const auto after = up_to_closing_offset(repacked);
  if (std::ranges::equal(before, after)) return {RoundTrip::identical, {}};
  // The dump of a short script says only that the room is empty; the packer gives it the empty
  // script.
  if (original.size() < script::kSmallestDumpedScript) {
    if (std::ranges::equal(after, empty_script())) return {RoundTrip::equivalent, {}};
    return {RoundTrip::different, "an empty room packed as more than the empty script"};
  }

  const std::vector<std::string> want = dump_lines(original);
  const std::vector<std::string> got = dump_lines(repacked);
  if (want == got) return {RoundTrip::equivalent, {}};
  const auto [w, g] = std::ranges::mismatch(want, got);
  const std::size_t line = static_cast<std::size_t>(w - want.begin()) + 1;
  return {RoundTrip::different, "dump line " + std::to_string(line) + ": \"" +
                                    (w == want.end() ? std::string("(none)") : *w) +
                                    "\" became \"" + (g == got.end() ? std::string("(none)") : *g) +
                                    "\""};
}

}  // namespace qv::pack
