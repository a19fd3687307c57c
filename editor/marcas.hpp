// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Marks over the translation box: what the checks and the preview's width rule find in one
// dialogue, placed where the box shows it. Qt-free: the box's positions count characters with
// each CR LF as one, which is how the box holds a dialogue of code page 1252 bytes.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv::editor {

enum class MarkKind { error, warning, spelling };

struct Mark {
  std::size_t begin = 0;  // box positions; begin < end
  std::size_t end = 0;
  MarkKind kind = MarkKind::error;
  std::string message;  // UTF-8
};

// The box position of byte `offset` of `text` (each CR LF before it counts once).
std::size_t box_offset(std::string_view text, std::size_t offset);

// The byte offset of box position `position` in `text`; the inverse of `box_offset`.
std::size_t byte_offset(std::string_view text, std::size_t position);

// The checks of `dialogue` against `source`, each as a mark from its line and column to the end
// of the tag or word there (one character at least; the last one of a line at its end).
std::vector<Mark> check_marks(std::string_view dialogue, std::optional<std::string_view> source);

// Width in twips of one line of a message window as the preview draws it.
using MeasureLine = std::function<int(std::string_view line)>;

// The text area of a message window: the picture's 4200 twips less the label's 360 each side.
inline constexpr int kWindowTextWidth = 4200 - 2 * 360;

// A warning over each line of the preview's windows whose text, without its control tags, is
// wider than `limit` twips.
std::vector<Mark> wide_line_marks(std::string_view dialogue, const MeasureLine& measure,
                                  int limit = kWindowTextWidth);

// For every message window of `dialogue` (as the preview splits it), whether the game cannot
// show it whole: more than three lines, or a line wider than `limit`.
std::vector<bool> overfull_windows(std::string_view dialogue, const MeasureLine& measure,
                                   int limit = kWindowTextWidth);

}  // namespace qv::editor
