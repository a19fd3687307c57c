#include "pack/line_encoder.hpp"

#include <array>
#include <optional>

#include "pack/number_pattern.hpp"
#include "script/vocabulary.hpp"

namespace qv::pack {

namespace {

using script::Tag;
using script::TagArgument;

bool is_letter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::optional<int> hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return std::nullopt;
}

// The single number of a "%d" row, when the tag converts one there.
std::optional<std::uint8_t> number_of(std::string_view tag, std::string_view pattern) {
  std::array<long, 1> value{};
  if (match_pattern(tag, pattern, value) < 1) return std::nullopt;
  return static_cast<std::uint8_t>(value[0]);  // the low byte: -1 gives 0xFF, 300 gives 0x2C
}

// The two hexadecimal digits that follow the text before "%d", as the decoder writes them.
std::optional<std::uint8_t> hex_number_of(std::string_view tag, std::string_view pattern) {
  const std::string_view prefix = pattern.substr(0, pattern.find("%d"));
  if (!tag.starts_with(prefix) || tag.size() < prefix.size() + 2) return std::nullopt;
  const auto high = hex_digit(tag[prefix.size()]);
  const auto low = hex_digit(tag[prefix.size() + 1]);
  if (!high || !low) return std::nullopt;
  return static_cast<std::uint8_t>(*high << 4 | *low);
}

// The bytes a row gives for `tag`, or nothing when the row does not fit.
std::optional<std::vector<std::uint8_t>> row_bytes(const Tag& row, std::string_view tag) {
  using enum TagArgument;
  switch (row.argument) {
    case none:
      if (tag == row.text) return std::vector<std::uint8_t>{row.first_code};
      return std::nullopt;
    case fixed:
      if (tag == row.text) return std::vector<std::uint8_t>{row.first_code, row.fixed_value};
      return std::nullopt;
    case number:
      if (auto v = number_of(tag, row.text)) return std::vector<std::uint8_t>{row.first_code, *v};
      return std::nullopt;
    case code_number:
      if (auto v = number_of(tag, row.text)) return std::vector<std::uint8_t>{*v};
      return std::nullopt;
    case code_hex:
      if (auto v = hex_number_of(tag, row.text)) return std::vector<std::uint8_t>{*v};
      return std::nullopt;
    case accent_token:
      if (auto index = script::token_index(tag)) {
        return std::vector<std::uint8_t>{row.first_code, *index};
      }
      return std::nullopt;
    case end_marker:
      if (tag == row.text) return std::vector<std::uint8_t>{};
      return std::nullopt;
  }
  return std::nullopt;
}

// Encodes one complete tag; returns whether the rest of the line is to be dropped.
bool encode_tag(std::string_view tag, std::vector<std::uint8_t>& out, std::string& console) {
  for (const Tag& row : script::tags()) {
    const auto bytes = row_bytes(row, tag);
    if (!bytes) continue;
    out.insert(out.end(), bytes->begin(), bytes->end());
    return row.ends_line;
  }
  console += kUnsupportedTag;
  return false;
}

}  // namespace

void encode_line(std::string_view line, std::vector<std::uint8_t>& out, std::string& console) {
  line = line.substr(0, line.find('\0'));
  std::size_t p = 0;
  while (p < line.size()) {
    // Names first, and only as the whole letter run that starts here.
    std::size_t run = p;
    while (run < line.size() && is_letter(line[run])) ++run;
    if (run > p) {
      if (const auto index = script::name_index(line.substr(p, run - p))) {
        out.push_back(script::kNameCode);
        out.push_back(*index);
        p = run;
        if (p >= line.size()) break;
      }
    }

    const char c = line[p];
    const char d = p + 1 < line.size() ? line[p + 1] : '\0';
    if (c == '<' && d != '"') {
      const std::size_t close = line.find('>', p + 1);
      if (close == std::string_view::npos) {
        console += kUnsupportedTag;
        return;
      }
      if (encode_tag(line.substr(p, close + 1 - p), out, console)) return;
      p = close + 1;
      continue;
    }
    // The three two-character glyphs of the code table.
    if ((c == '<' && d == '"') || (c == '"' && d == '>') || (c == '>' && d == '>')) {
      const char pair[] = {c, d};
      for (unsigned code = 0x20; code <= 0xFF; ++code) {
        if (script::glyph(static_cast<std::uint8_t>(code)) == std::string_view(pair, 2)) {
          out.push_back(static_cast<std::uint8_t>(code));
          break;
        }
      }
      p += 2;
      continue;
    }
    const auto encoding = script::character_code(static_cast<unsigned char>(c));
    if (encoding.encoding == script::CharacterEncoding::code) {
      out.push_back(encoding.code);
    } else if (encoding.encoding == script::CharacterEncoding::unsupported) {
      console += kUnsupportedCharacter;
    }
    ++p;
  }
}

}  // namespace qv::pack
