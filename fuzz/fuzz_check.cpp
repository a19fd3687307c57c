// SPDX-License-Identifier: GPL-3.0-or-later
// The checks over any dump text. Besides not failing, the lines with encoder errors are exactly
// the lines on which the encoder itself prints a message.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "check/checks.hpp"
#include "fuzz/check.hpp"
#include "pack/line_encoder.hpp"
#include "pack/script_builder.hpp"

namespace {

// The line (from 1) and its text, for every line of `text`.
std::vector<std::string_view> lines_of(std::string_view text) {
  std::vector<std::string_view> lines;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t feed = text.find('\n', start);
    const std::size_t end = feed == std::string_view::npos ? text.size() : feed + 1;
    lines.push_back(text.substr(start, end - start));
    start = end;
  }
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Half the input is the translation, half its source.
  const std::string_view all(reinterpret_cast<const char*>(data), size);
  const std::size_t split = all.find('\xFF');
  const std::string_view text = all.substr(0, split);
  const std::optional<std::string_view> source =
      split == std::string_view::npos ? std::nullopt
                                      : std::optional<std::string_view>(all.substr(split + 1));
  const qv::check::Report report = qv::check::check_dump_text(text, source);

  const auto lines = lines_of(text);
  std::set<std::size_t> error_lines;
  for (const auto& d : report.diagnostics) {
    QV_FUZZ_CHECK(d.line >= 1 && d.line <= lines.size() + 1, "a line outside the text");
    QV_FUZZ_CHECK(d.column >= 1, "a column before the line");
    if (d.check == "unsupported-tag" || d.check == "unsupported-character") {
      error_lines.insert(d.line);
    }
  }
  // The lines the packer encodes are the block lines; on each of them the encoder alone must
  // print a message exactly where the checks found an encoder error.
  const qv::pack::BuiltScript built = qv::pack::build_script(
      std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
  std::set<std::size_t> message_lines;
  for (const auto& block : built.blocks) {
    std::size_t line =
        1 + static_cast<std::size_t>(std::count(text.begin(), text.begin() + block.text, '\n'));
    for (std::size_t at = block.text; at < block.end; ++line) {
      const std::string_view piece = lines[line - 1];
      std::vector<std::uint8_t> bytes;
      std::string console;
      qv::pack::encode_line(piece, bytes, console);
      if (!console.empty()) message_lines.insert(line);
      at += piece.size();
    }
  }
  if (built.refusal && built.refusal->starts_with("the text ends inside")) {
    // The unfinished block was encoded too, up to the end of the text.
    return 0;
  }
  QV_FUZZ_CHECK(error_lines == message_lines, "encoder errors and encoder messages disagree");
  return 0;
}
