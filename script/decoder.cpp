// SPDX-License-Identifier: GPL-3.0-or-later
#include "script/decoder.hpp"

#include <cstdio>

#include "script/vocabulary.hpp"

namespace qv::script {

namespace {

// The tag text with its "%d" replaced by `number`.
void append_filled(std::string& out, std::string_view text, std::string_view number) {
  const std::size_t mark = text.find("%d");
  if (mark == std::string_view::npos) {
    out += text;
    return;
  }
  out += text.substr(0, mark);
  out += number;
  out += text.substr(mark + 2);
}

bool row_fits(const Tag& tag, std::uint8_t code, std::uint8_t argument) {
  if (code < tag.first_code || code > tag.last_code) return false;
  switch (tag.argument) {
    case TagArgument::fixed:
      return argument == tag.fixed_value;
    case TagArgument::end_marker:
      return false;
    default:
      return true;
  }
}

void append_tag(const Tag& tag, std::uint8_t code, std::uint8_t argument, std::string& out) {
  char number[8];
  switch (tag.argument) {
    case TagArgument::number:
      std::snprintf(number, sizeof number, "%u", unsigned{argument});
      break;
    case TagArgument::code_number:
      std::snprintf(number, sizeof number, "%u", unsigned{code});
      break;
    case TagArgument::code_hex:
      std::snprintf(number, sizeof number, "%02X", unsigned{code});
      break;
    case TagArgument::accent_token:
      if (auto token = accent_token(argument)) out += *token;
      return;
    default:
      number[0] = '\0';
      break;
  }
  append_filled(out, tag.text, number);
}

}  // namespace

std::optional<int> decode_code(std::uint8_t code, ByteReader& in, std::string& out) {
  std::uint8_t argument = 0;
  const int argument_bytes = takes_argument(code) ? 1 : 0;
  if (argument_bytes == 1) {
    auto next = in.next();
    if (!next) return std::nullopt;
    argument = *next;
  }
  if (code == kLineBreakCode) {
    out += kLineBreak;
  } else if (code == kNameCode) {
    out += character_name(argument);
  } else if (std::string_view text = glyph(code); !text.empty()) {
    out += text;
  } else {
    for (const Tag& tag : tags()) {
      if (row_fits(tag, code, argument)) {
        append_tag(tag, code, argument, out);
        break;
      }
    }
  }
  return argument_bytes;
}

std::string decode_text(std::span<const std::uint8_t> codes) {
  std::string out;
  ByteReader in(codes);
  while (auto code = in.next()) {
    if (!decode_code(*code, in, out)) break;
  }
  return out;
}

}  // namespace qv::script
