// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogue/preview.hpp"

#include <algorithm>
#include <cstddef>

#include "script/vocabulary.hpp"

namespace qv::dialogue {

namespace {

constexpr std::string_view kTextHeader = "<Text ";
constexpr std::string_view kClose = "<Close>";
constexpr std::string_view kNew = "<New>";
// From "<Text " to the earliest place where the ">" closing its "<params: …>" can stand.
constexpr std::size_t kHeaderSkip = 16;
// The body starts after the header's ">" and its CR LF.
constexpr std::size_t kAfterHeader = 3;
// A window starts after its "<New>" and the CR LF behind it.
constexpr std::size_t kAfterNew = 7;

bool is_hidden_prefix(std::string_view two) {
  const auto prefixes = script::preview_hidden_prefixes();
  return std::find(prefixes.begin(), prefixes.end(), two) != prefixes.end();
}

// The range from `first` up to `last` within `text`, empty where it is empty or reversed.
TextRange range(std::string_view text, std::size_t first, std::size_t last) {
  last = std::min(last, text.size());
  if (first >= last) return {std::min(first, text.size()), std::min(first, text.size())};
  return {first, last};
}

std::string slice(std::string_view text, TextRange range) {
  return std::string(text.substr(range.begin, range.end - range.begin));
}

}  // namespace

std::string preview_body(std::string_view dialogue) {
  return slice(dialogue, preview_body_range(dialogue));
}

TextRange preview_body_range(std::string_view dialogue) {
  // Positions below count from 1, with 0 for "not found", so that a dialogue without a header
  // line starts its body at the same place the header arithmetic gives.
  const std::size_t text_at = dialogue.find(kTextHeader);
  const std::size_t a = text_at == std::string_view::npos ? 0 : text_at + 1;
  const std::size_t close_at = dialogue.find('>', a + kHeaderSkip);
  const std::size_t b = close_at == std::string_view::npos ? 0 : close_at + 1;
  std::size_t end = dialogue.find(kClose);
  if (end == std::string_view::npos) end = dialogue.find(script::kEndOfBlock);
  // b + 3 counted from 1 is b + 2 counted from 0.
  return range(dialogue, b + kAfterHeader - 1, end);
}

std::vector<std::string> split_windows(std::string_view body) {
  std::vector<std::string> windows;
  for (const TextRange& window : window_ranges(body)) windows.push_back(slice(body, window));
  return windows;
}

std::vector<TextRange> window_ranges(std::string_view body) {
  std::vector<std::size_t> breaks;
  for (std::size_t at = body.find(kNew); at != std::string_view::npos;
       at = body.find(kNew, at + 1)) {
    breaks.push_back(at);
  }
  std::vector<TextRange> windows;
  windows.reserve(breaks.size() + 1);
  windows.push_back(range(body, 0, breaks.empty() ? body.size() : breaks.front()));
  for (std::size_t i = 0; i < breaks.size(); ++i) {
    const std::size_t next = i + 1 < breaks.size() ? breaks[i + 1] : body.size();
    windows.push_back(range(body, breaks[i] + kAfterNew, next));
  }
  return windows;
}

std::vector<std::size_t> window_line_starts(std::string_view window) {
  std::vector<std::size_t> starts;
  for (std::size_t at = 0; at < window.size();) {
    starts.push_back(at);
    const std::size_t crlf = window.find("\r\n", at);
    if (crlf == std::string_view::npos) break;
    at = crlf + 2;
  }
  return starts;
}

std::string strip_control_tags(std::string text) {
  std::size_t p = text.find('<');
  while (p != std::string::npos) {
    std::string two(2, ' ');
    for (std::size_t k = 0; k < 2 && p + 1 + k < text.size(); ++k) two[k] = text[p + 1 + k];
    if (!is_hidden_prefix(two)) {
      p = text.find('<', p + 1);
      continue;
    }
    const std::size_t close = text.find('>', p);
    // A tag still being typed: no later "<" can have a ">" either, so nothing more goes.
    if (close == std::string::npos) break;
    text.erase(p, close - p + 1);
    p = text.find('<', p);
  }
  return text;
}

PreviewState refresh_preview(std::string_view dialogue, int scroll_value) {
  std::vector<std::string> windows = split_windows(preview_body(dialogue));
  for (std::string& window : windows) window = strip_control_tags(std::move(window));

  PreviewState state;
  const int last = static_cast<int>(windows.size()) - 1;  // the number of "<New>" tags
  if (last >= 3) {
    state.scroll_enabled = true;
    state.scroll_maximum = last - 2;
    state.scroll_value = std::clamp(scroll_value, 0, state.scroll_maximum);
  }
  for (std::size_t i = 0; i < state.captions.size(); ++i) {
    const std::size_t shown = static_cast<std::size_t>(state.scroll_value) + i;
    if (shown < windows.size()) state.captions[i] = std::move(windows[shown]);
  }
  return state;
}

}  // namespace qv::dialogue
