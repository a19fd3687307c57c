// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/checks.hpp"

#include <algorithm>
#include <cstdio>
#include <map>
#include <span>

#include "common/cp1252.hpp"
#include "dialogue/accent_table.hpp"
#include "dialogue/preview.hpp"
#include "pack/line_encoder.hpp"
#include "pack/script_builder.hpp"
#include "script/vocabulary.hpp"

namespace qv::check {

namespace {

using pack::Loss;

constexpr std::string_view kUnsupportedTag = "unsupported-tag";
constexpr std::string_view kUnsupportedCharacter = "unsupported-character";
constexpr std::string_view kUnpackable = "unpackable";
constexpr std::string_view kDroppedText = "dropped-text";
constexpr std::string_view kWindowLines = "window-lines";
constexpr std::string_view kTagMismatch = "tag-mismatch";
constexpr std::string_view kHeaderChanged = "header-changed";

std::span<const std::uint8_t> bytes_of(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// Line and column of byte offsets in one text.
class LineIndex {
 public:
  explicit LineIndex(std::string_view text) {
    starts_.push_back(0);
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\n') starts_.push_back(i + 1);
    }
  }
  std::pair<std::size_t, std::size_t> at(std::size_t offset) const {
    const auto after = std::upper_bound(starts_.begin(), starts_.end(), offset);
    const std::size_t line = static_cast<std::size_t>(after - starts_.begin());
    return {line, offset - starts_[line - 1] + 1};
  }
  std::size_t start_of_line(std::size_t line) const {
    return line >= 1 && line <= starts_.size() ? starts_[line - 1] : std::string_view::npos;
  }

 private:
  std::vector<std::size_t> starts_;
};

// A line of `text` from `offset`, without its line break.
std::string_view line_from(std::string_view text, std::size_t offset) {
  if (offset >= text.size()) return {};
  std::string_view line = text.substr(offset, text.find('\n', offset) - offset);
  if (line.ends_with('\r')) line.remove_suffix(1);
  return line;
}

std::string utf8(std::string_view cp1252) {
  return common::cp1252_to_utf8(cp1252);
}

bool in_accent_table(std::string_view tag) {
  const std::string text = utf8(tag);
  const auto columns = dialogue::accent_columns();
  return std::any_of(columns.begin() + 1, columns.end(),
                     [&](const dialogue::AccentColumn& column) { return column.token == text; });
}

// The spellings the packer can write for characters the game lacks.
std::optional<std::string_view> encodable_spelling(char32_t code_point) {
  switch (code_point) {
    case U'\u2026':
      return "...";
    case U'\u2014':
    case U'\u2013':
      return "-";
    case U'\u201C':
    case U'\u00AB':
      return "<\"";
    case U'\u201D':
    case U'\u00BB':
      return "\">";
    case U'\u2018':
      return "'";
    case U'\t':
      return " ";
    default:
      return std::nullopt;
  }
}

std::string character_message(unsigned char character) {
  const char32_t code_point = common::cp1252_to_unicode(character);
  char number[16];
  std::snprintf(number, sizeof number, "U+%04X", static_cast<unsigned>(code_point));
  std::string message;
  if (character == '\t') {
    message = "a tab (" + std::string(number) + ")";
  } else if (code_point < 0x20 || (code_point >= 0x7F && code_point < 0xA0)) {
    message = "the control character " + std::string(number);
  } else {
    message = "'" + utf8(std::string(1, static_cast<char>(character))) + "' (" + number + ")";
  }
  message += " is not one of the game's characters: the packer drops it";
  if (const auto spelling = encodable_spelling(code_point)) {
    message += "; write \"" + std::string(*spelling) + "\" instead";
  }
  return message;
}

std::string tag_message(std::string_view tag) {
  if (!tag.ends_with('>')) {
    return "\"" + utf8(tag) + "\" has no \">\": the packer drops the rest of the line";
  }
  if (in_accent_table(tag)) {
    return utf8(tag) +
           " is in the accent table but not one of the game's tokens: the packer drops it";
  }
  return "\"" + utf8(tag) + "\" is not one of the game's tags: the packer drops it";
}

struct Found {
  Severity severity;
  std::string_view check;
  std::string message;
};

Found describe(const pack::TextLoss& loss, std::string_view text) {
  const std::string piece = utf8(text.substr(loss.begin, loss.end - loss.begin));
  switch (loss.loss) {
    case Loss::unsupported_tag:
      return {Severity::error, kUnsupportedTag,
              tag_message(text.substr(loss.begin, loss.end - loss.begin))};
    case Loss::unsupported_character:
      return {Severity::error, kUnsupportedCharacter,
              character_message(static_cast<unsigned char>(text[loss.begin]))};
    case Loss::after_marker:
      return {Severity::error, kDroppedText,
              "text after \"<End of block>\" is dropped: \"" + piece + "\""};
    case Loss::after_nul:
      return {Severity::error, kDroppedText,
              "a NUL byte ends the line: the text after it is dropped"};
    case Loss::after_number:
      return {Severity::warning, kDroppedText,
              "the characters after the number of \"" + piece + "\" are dropped"};
    case Loss::value_wrapped:
      return {Severity::warning, kDroppedText,
              piece + " is written as " + std::to_string(loss.written)};
    case Loss::gap_text:
      return {Severity::warning, kDroppedText,
              "the line between two blocks is skipped: \"" + piece + "\" is dropped"};
    case Loss::after_block_header:
      return {Severity::warning, kDroppedText,
              "text after the params of the \"<Text block\" line is dropped: \"" + piece + "\""};
    case Loss::after_last_block:
      return {Severity::warning, kDroppedText, "text after the last block is dropped"};
  }
  return {Severity::error, kDroppedText, piece};
}

// The names and tags of a block's text as the encoder reads them, with how often each stands
// there. The end marker frames the text and is left out.
std::map<std::string, int> marks_of(std::string_view text) {
  std::map<std::string, int> marks;
  std::vector<std::uint8_t> ignored_bytes;
  std::string ignored_console;
  pack::LineTrace trace;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t feed = text.find('\n', start);
    const std::size_t end = feed == std::string_view::npos ? text.size() : feed + 1;
    const std::string_view line = text.substr(start, end - start);
    trace.marks.clear();
    pack::encode_line(line, ignored_bytes, ignored_console, &trace);
    for (const pack::LineMark& mark : trace.marks) {
      const std::string_view piece = line.substr(mark.begin, mark.end - mark.begin);
      if (piece != script::kEndOfBlock) ++marks[std::string(piece)];
    }
    start = end;
  }
  return marks;
}

std::string mismatch_message(const std::map<std::string, int>& source,
                             const std::map<std::string, int>& translation) {
  std::string missing, extra;
  auto count = [](const std::map<std::string, int>& marks, const std::string& mark) {
    const auto found = marks.find(mark);
    return found == marks.end() ? 0 : found->second;
  };
  auto add = [](std::string& list, const std::string& mark, int in_source, int in_translation) {
    if (!list.empty()) list += ", ";
    list += utf8(mark) + " (source " + std::to_string(in_source) + ", translation " +
            std::to_string(in_translation) + ")";
  };
  for (const auto& [mark, n] : source) {
    if (count(translation, mark) < n) add(missing, mark, n, count(translation, mark));
  }
  for (const auto& [mark, n] : translation) {
    if (count(source, mark) < n) add(extra, mark, count(source, mark), n);
  }
  std::string message;
  if (!missing.empty()) message = "missing " + missing;
  if (!extra.empty()) message += (message.empty() ? "extra " : "; extra ") + extra;
  return message;
}

class Checker {
 public:
  Checker(std::string_view text, Report& report) : text_(text), lines_(text), report_(report) {}

  void add(std::size_t offset, Found found, int dialogue) {
    const auto [line, column] = lines_.at(offset);
    report_.diagnostics.push_back(
        {line, column, found.severity, found.check, std::move(found.message), dialogue});
  }

  std::size_t start_of_line(std::size_t line) const { return lines_.start_of_line(line); }

  // The block, from 1, that holds `offset`; 0 before the first one.
  int dialogue_at(const std::vector<pack::BlockSpan>& blocks, std::size_t offset) const {
    int dialogue = 0;
    for (std::size_t k = 0; k < blocks.size() && blocks[k].header <= offset; ++k) {
      dialogue = static_cast<int>(k) + 1;
    }
    return dialogue;
  }

  void check_windows(const pack::BlockSpan& span, int dialogue) {
    const std::string_view block = text_.substr(span.header, span.end - span.header);
    const dialogue::TextRange body = dialogue::preview_body_range(block);
    const std::string_view body_text = block.substr(body.begin, body.end - body.begin);
    const auto windows = dialogue::window_ranges(body_text);
    for (std::size_t w = 0; w < windows.size(); ++w) {
      const std::string_view window =
          body_text.substr(windows[w].begin, windows[w].end - windows[w].begin);
      const auto starts = dialogue::window_line_starts(window);
      if (starts.size() <= dialogue::kWindowLines) continue;
      add(span.header + body.begin + windows[w].begin + starts[dialogue::kWindowLines],
          {Severity::warning, kWindowLines,
           "message window " + std::to_string(w + 1) + " has " + std::to_string(starts.size()) +
               " lines; the game shows " + std::to_string(dialogue::kWindowLines) +
               " and cuts off the rest"},
          dialogue);
    }
  }

  void compare_line(std::size_t offset, std::string_view source_line, int dialogue) {
    const std::string_view line = line_from(text_, offset);
    if (line == source_line) return;
    add(offset,
        {Severity::warning, kHeaderChanged,
         "\"" + utf8(line) + "\" differs from the source's \"" + utf8(source_line) + "\""},
        dialogue);
  }

 private:
  std::string_view text_;
  LineIndex lines_;
  Report& report_;
};

std::string_view block_text(std::string_view text, const pack::BlockSpan& span) {
  return text.substr(span.text, span.end - span.text);
}

}  // namespace

int Report::errors() const {
  return static_cast<int>(std::count_if(diagnostics.begin(), diagnostics.end(), [](const auto& d) {
    return d.severity == Severity::error;
  }));
}

int Report::warnings() const {
  return static_cast<int>(std::count_if(diagnostics.begin(), diagnostics.end(), [](const auto& d) {
    return d.severity == Severity::warning;
  }));
}

Report check_dump_text(std::string_view text, std::optional<std::string_view> source) {
  Report report;
  Checker checker(text, report);
  const pack::BuiltScript built = pack::build_script(bytes_of(text));
  report.dialogues = static_cast<int>(built.blocks.size());

  if (built.refusal) {
    const std::size_t at = checker.start_of_line(built.refusal_line);
    checker.add(at == std::string_view::npos ? 0 : at,
                {Severity::error, kUnpackable, "the room cannot be packed: " + *built.refusal}, 0);
  }
  for (const pack::TextLoss& loss : built.losses) {
    checker.add(loss.begin, describe(loss, text), checker.dialogue_at(built.blocks, loss.begin));
  }
  for (std::size_t k = 0; k < built.blocks.size(); ++k) {
    checker.check_windows(built.blocks[k], static_cast<int>(k) + 1);
  }

  if (source) {
    report.compared = true;
    const pack::BuiltScript original = pack::build_script(bytes_of(*source));
    const LineIndex source_lines(*source);
    const std::size_t second = checker.start_of_line(2);
    const std::size_t source_second = source_lines.start_of_line(2);
    if (second != std::string_view::npos && source_second != std::string_view::npos &&
        line_from(*source, source_second).starts_with("<additional params")) {
      checker.compare_line(second, line_from(*source, source_second), 0);
    }
    for (std::size_t k = 0; k < built.blocks.size(); ++k) {
      const int dialogue = static_cast<int>(k) + 1;
      const pack::BlockSpan& span = built.blocks[k];
      if (k >= original.blocks.size()) {
        ++report.translated;
        continue;
      }
      const pack::BlockSpan& source_span = original.blocks[k];
      checker.compare_line(span.header, line_from(*source, source_span.header), dialogue);
      const std::string_view translation_text = block_text(text, span);
      const std::string_view source_text = block_text(*source, source_span);
      if (translation_text == source_text) continue;  // untranslated: only counted
      ++report.translated;
      const auto wanted = marks_of(source_text);
      const auto got = marks_of(translation_text);
      if (wanted != got) {
        checker.add(span.text, {Severity::warning, kTagMismatch, mismatch_message(wanted, got)},
                    dialogue);
      }
    }
  }

  std::stable_sort(report.diagnostics.begin(), report.diagnostics.end(),
                   [](const Diagnostic& a, const Diagnostic& b) {
                     return a.line != b.line ? a.line < b.line : a.column < b.column;
                   });
  return report;
}

namespace {

// A dump text of one block around a dialogue, and how many lines of the dialogue came before
// its block's header line.
constexpr std::string_view kOneBlockHead =
    "<Room 0 with 1 text entries>\r\n<additional params: 0>\r\n\r\n";
constexpr std::size_t kOneBlockHeadLines = 3;

std::string one_block_dump(std::string_view dialogue, std::size_t& lines_before) {
  std::size_t at = 0;
  lines_before = 0;
  if (!dialogue.starts_with("<Text block")) {
    const std::size_t header = dialogue.find("\n<Text block");
    if (header != std::string_view::npos) at = header + 1;
  }
  lines_before =
      static_cast<std::size_t>(std::count(dialogue.begin(), dialogue.begin() + at, '\n'));
  return std::string(kOneBlockHead) + std::string(dialogue.substr(at));
}

}  // namespace

Report check_dialogue(std::string_view dialogue, std::optional<std::string_view> source) {
  std::size_t lines_before = 0, source_lines_before = 0;
  const std::string text = one_block_dump(dialogue, lines_before);
  std::optional<std::string> source_text;
  if (source) source_text = one_block_dump(*source, source_lines_before);
  Report report = check_dump_text(
      text, source_text ? std::optional<std::string_view>(*source_text) : std::nullopt);
  std::erase_if(report.diagnostics,
                [](const Diagnostic& d) { return d.line <= kOneBlockHeadLines; });
  for (Diagnostic& d : report.diagnostics) d.line = d.line - kOneBlockHeadLines + lines_before;
  return report;
}

std::string_view severity_name(Severity severity) {
  switch (severity) {
    case Severity::error:
      return "error";
    case Severity::warning:
      return "warning";
    case Severity::note:
      return "note";
  }
  return "error";
}

std::string format_diagnostic(std::string_view path, const Diagnostic& diagnostic) {
  return std::string(path) + ":" + std::to_string(diagnostic.line) + ":" +
         std::to_string(diagnostic.column) + ": " +
         std::string(severity_name(diagnostic.severity)) + ": " + diagnostic.message + " [" +
         std::string(diagnostic.check) + "]";
}

}  // namespace qv::check
