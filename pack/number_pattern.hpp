// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Matching of a dump text line against a pattern such as "<Delay %d>", the way the C library's
// formatted reading does it, so that hand-edited text is read as leniently as the game's
// translators are used to.
#include <span>
#include <string_view>

namespace qv::pack {

// Matches `text` against `pattern` and stores each converted number in `values` in turn.
// A white-space character in the pattern matches any amount of white space in the text, none
// included; "%d" skips white space and reads an optionally signed decimal number (held at the
// range of a long, as strtol does, then stored into an int, keeping its low 32 bits); any
// other character must equal the next character of the
// text. Matching stops at the first mismatch or at the end of the text. Returns the number of
// values converted; never writes more than `values.size()` values.
int match_pattern(std::string_view text, std::string_view pattern, std::span<long> values);

// The same match, told in full: how many values converted, how many characters of `text` the
// match took, and whether the whole pattern matched (nothing of it was left when the match
// stopped). Text after `consumed` was not looked at.
struct PatternMatch {
  int converted = 0;
  std::size_t consumed = 0;
  bool complete = false;
};
PatternMatch match_pattern_in_full(std::string_view text, std::string_view pattern,
                                   std::span<long> values);

}  // namespace qv::pack
