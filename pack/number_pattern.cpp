// SPDX-License-Identifier: GPL-3.0-or-later
#include "pack/number_pattern.hpp"

#include <climits>
#include <cstdint>

namespace qv::pack {

namespace {

bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

int match_pattern(std::string_view text, std::string_view pattern, std::span<long> values) {
  return match_pattern_in_full(text, pattern, values).converted;
}

PatternMatch match_pattern_in_full(std::string_view text, std::string_view pattern,
                                   std::span<long> values) {
  std::size_t t = 0;
  int converted = 0;
  auto stopped = [&] { return PatternMatch{converted, t, false}; };
  auto skip_space = [&] {
    while (t < text.size() && is_space(text[t])) ++t;
  };
  for (std::size_t p = 0; p < pattern.size(); ++p) {
    const char want = pattern[p];
    if (is_space(want)) {
      skip_space();
    } else if (want == '%' && p + 1 < pattern.size() && pattern[p + 1] == 'd') {
      ++p;
      skip_space();
      bool negative = false;
      if (t < text.size() && (text[t] == '+' || text[t] == '-')) negative = text[t++] == '-';
      if (t >= text.size() || !is_digit(text[t])) return stopped();
      // Accumulated as a negative number so that LONG_MIN itself fits.
      long value = 0;
      bool clamped = false;
      for (; t < text.size() && is_digit(text[t]); ++t) {
        const int digit = text[t] - '0';
        if (value < (LONG_MIN + digit) / 10) clamped = true;
        if (!clamped) value = value * 10 - digit;
      }
      if (clamped) {
        value = negative ? LONG_MIN : LONG_MAX;
      } else if (!negative) {
        value = value == LONG_MIN ? LONG_MAX : -value;
      }
      if (static_cast<std::size_t>(converted) >= values.size()) return stopped();
      values[converted++] = static_cast<std::int32_t>(value);
    } else {
      if (t >= text.size() || text[t] != want) return stopped();
      ++t;
    }
  }
  return PatternMatch{converted, t, true};
}

}  // namespace qv::pack
