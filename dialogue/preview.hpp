// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The dialogue preview: how the game's message windows would show one translated dialogue.
// Plain functions over the dialogue's bytes (code page 1252, CR LF line breaks), so that the
// window code only copies their results into its labels and scroll bar.
#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace qv::dialogue {

// The text that the game shows for a dialogue: from the first character after the line break
// that follows the block header's closing ">" (the one closing "<params: …>", searched for from
// 17 characters after "<Text ") up to, not including, the first "<Close>", or the first
// "<End of block>" when there is no "<Close>".
// Never fails: with neither marker the body runs to the end of the text; when the marker lies
// before the body's start (or the start lies past the end) the body is empty.
std::string preview_body(std::string_view dialogue);

// A stretch of a text, as byte offsets; empty when begin == end.
struct TextRange {
  std::size_t begin = 0;
  std::size_t end = 0;
};

// Where `preview_body` finds the body in `dialogue`.
TextRange preview_body_range(std::string_view dialogue);

// The body cut into message windows at each "<New>". Every window after the first starts 7
// characters after its "<New>" (the tag and its CR LF). A window that would start at or after
// the next "<New>" (fewer than 7 characters between them) is empty. Always at least one window.
std::vector<std::string> split_windows(std::string_view body);

// Where `split_windows` finds each window in `body`.
std::vector<TextRange> window_ranges(std::string_view body);

// Where each line of a message window starts: the window's text split at CR LF, where a final
// CR LF starts no line. An empty window has no lines.
std::vector<std::size_t> window_line_starts(std::string_view window);

// The game's message windows show three lines; further lines are cut off.
inline constexpr std::size_t kWindowLines = 3;

// `text` without the control tags: every "<" followed by one of the vocabulary's preview-hidden
// prefixes is removed through the first ">" after it, and the scan looks again at the same
// position, so tags in a row all go. A "<" with a hidden prefix and no ">" after it (a tag
// still being typed) is left as it is, with everything after it.
std::string strip_control_tags(std::string text);

// What one refresh puts on screen.
struct PreviewState {
  std::array<std::string, 3> captions;  // the texts of the three windows, top to bottom
  bool scroll_enabled = false;          // more than three windows
  int scroll_maximum = 0;               // number of windows minus 3, when enabled
  int scroll_value = 0;                 // the first window shown
};

// One refresh of the preview for `dialogue`, with the scroll bar at `scroll_value`. The value
// is brought into 0..scroll_maximum (0 while the scroll bar is disabled).
PreviewState refresh_preview(std::string_view dialogue, int scroll_value);

}  // namespace qv::dialogue
