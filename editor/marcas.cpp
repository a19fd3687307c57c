// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/marcas.hpp"

#include <algorithm>

#include "check/checks.hpp"
#include "dialogue/dump_text.hpp"
#include "dialogue/preview.hpp"

namespace qv::editor {

namespace {

// Byte ranges of the lines of one message window: `window` inside `dialogue`.
struct Line {
  std::size_t begin;
  std::size_t end;
};

std::vector<Line> window_lines(std::string_view dialogue, dialogue::TextRange window) {
  std::vector<Line> lines;
  const std::string_view text = dialogue.substr(window.begin, window.end - window.begin);
  for (const std::size_t start : dialogue::window_line_starts(text)) {
    std::size_t end = text.find("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    lines.push_back({window.begin + start, window.begin + end});
  }
  return lines;
}

struct Window {
  std::vector<Line> lines;
};

std::vector<Window> windows_of(std::string_view dialogue) {
  const dialogue::TextRange body = dialogue::preview_body_range(dialogue);
  std::vector<Window> windows;
  const std::string_view text = dialogue.substr(body.begin, body.end - body.begin);
  for (const dialogue::TextRange range : dialogue::window_ranges(text)) {
    windows.push_back({window_lines(dialogue, {body.begin + range.begin, body.begin + range.end})});
  }
  return windows;
}

int line_width(std::string_view dialogue, Line line, const MeasureLine& measure) {
  return measure(dialogue::strip_control_tags(
      std::string(dialogue.substr(line.begin, line.end - line.begin))));
}

}  // namespace

std::size_t box_offset(std::string_view text, std::size_t offset) {
  offset = std::min(offset, text.size());
  std::size_t position = offset;
  for (std::size_t at = text.find("\r\n"); at != std::string_view::npos && at + 1 < offset;
       at = text.find("\r\n", at + 2)) {
    --position;
  }
  return position;
}

std::size_t byte_offset(std::string_view text, std::size_t position) {
  std::size_t offset = 0;
  for (std::size_t seen = 0; offset < text.size() && seen < position; ++seen) {
    offset += text.compare(offset, 2, "\r\n") == 0 ? 2 : 1;
  }
  return offset;
}

std::vector<Mark> check_marks(std::string_view dialogue, std::optional<std::string_view> source) {
  std::vector<Mark> marks;
  const check::Report report = check::check_dialogue(dialogue, source);
  // Where each line starts, in bytes.
  std::vector<std::size_t> starts{0};
  for (std::size_t at = dialogue.find('\n'); at != std::string_view::npos;
       at = dialogue.find('\n', at + 1)) {
    starts.push_back(at + 1);
  }
  for (const check::Diagnostic& d : report.diagnostics) {
    if (d.severity == check::Severity::note || d.line < 1 || d.line > starts.size()) continue;
    const std::size_t line_begin = starts[d.line - 1];
    std::size_t line_end = dialogue.find('\n', line_begin);
    if (line_end == std::string_view::npos) line_end = dialogue.size();
    if (line_end > line_begin && dialogue[line_end - 1] == '\r') --line_end;
    std::size_t begin = std::min(line_begin + (d.column - 1), line_end);
    std::size_t end = begin;
    if (begin < line_end && dialogue[begin] == '<') {
      const std::size_t close = dialogue.find('>', begin);
      end = close == std::string_view::npos || close >= line_end ? line_end : close + 1;
    } else {
      while (end < line_end && dialogue[end] != ' ' && dialogue[end] != '<') ++end;
    }
    if (end == begin) {
      if (end < line_end) {
        ++end;
      } else if (begin > line_begin) {
        --begin;
      } else {
        ++end;  // an empty line: its line break carries the mark
      }
    }
    marks.push_back({box_offset(dialogue, begin), box_offset(dialogue, end),
                     d.severity == check::Severity::error ? MarkKind::error : MarkKind::warning,
                     d.message});
  }
  return marks;
}

std::vector<Mark> wide_line_marks(std::string_view dialogue, const MeasureLine& measure,
                                  int limit) {
  std::vector<Mark> marks;
  for (const Window& window : windows_of(dialogue)) {
    for (const Line line : window.lines) {
      const int width = line_width(dialogue, line, measure);
      if (width <= limit || line.end == line.begin) continue;
      marks.push_back({box_offset(dialogue, line.begin), box_offset(dialogue, line.end),
                       MarkKind::warning,
                       "La línea no cabe en la ventana: mide " + std::to_string(width) +
                           " twips y caben " + std::to_string(limit) + "."});
    }
  }
  return marks;
}

std::vector<bool> overfull_windows(std::string_view dialogue, const MeasureLine& measure,
                                   int limit) {
  std::vector<bool> overfull;
  for (const Window& window : windows_of(dialogue)) {
    bool over = window.lines.size() > dialogue::kWindowLines;
    for (const Line line : window.lines) {
      over = over || line_width(dialogue, line, measure) > limit;
    }
    overfull.push_back(over);
  }
  return overfull;
}

}  // namespace qv::editor
