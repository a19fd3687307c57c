// SPDX-License-Identifier: GPL-3.0-or-later
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

// What a row made of a tag, and what it lost on the way.
struct RowBytes {
  std::vector<std::uint8_t> bytes;
  bool after_number = false;    // characters stood between the number and the tag's ">"
  std::optional<long> wrapped;  // a value outside 0..255
};

RowBytes codes(std::initializer_list<std::uint8_t> bytes) {
  RowBytes row;
  row.bytes = bytes;
  return row;
}

// The single number of a "%d" row, when the tag converts one there.
std::optional<RowBytes> number_row(std::string_view tag, std::string_view pattern,
                                   std::optional<std::uint8_t> code) {
  std::array<long, 1> value{};
  const PatternMatch match = match_pattern_in_full(tag, pattern, value);
  if (match.converted < 1) return std::nullopt;
  RowBytes row;
  if (code) row.bytes.push_back(*code);
  row.bytes.push_back(static_cast<std::uint8_t>(value[0]));  // -1 gives 0xFF, 300 gives 0x2C
  row.after_number = !match.complete || match.consumed != tag.size();
  if (value[0] < 0 || value[0] > 255) row.wrapped = value[0];
  return row;
}

// The two hexadecimal digits that follow the text before "%d", as the decoder writes them.
std::optional<RowBytes> hex_row(std::string_view tag, std::string_view pattern) {
  const std::string_view prefix = pattern.substr(0, pattern.find("%d"));
  if (!tag.starts_with(prefix) || tag.size() < prefix.size() + 2) return std::nullopt;
  const auto high = hex_digit(tag[prefix.size()]);
  const auto low = hex_digit(tag[prefix.size() + 1]);
  if (!high || !low) return std::nullopt;
  RowBytes row = codes({static_cast<std::uint8_t>(*high << 4 | *low)});
  row.after_number = tag.size() != prefix.size() + 3;  // the digits and ">"
  return row;
}

// The bytes a row gives for `tag`, or nothing when the row does not fit.
std::optional<RowBytes> row_bytes(const Tag& row, std::string_view tag) {
  using enum TagArgument;
  switch (row.argument) {
    case none:
      if (tag == row.text) return codes({row.first_code});
      return std::nullopt;
    case fixed:
      if (tag == row.text) return codes({row.first_code, row.fixed_value});
      return std::nullopt;
    case number:
      return number_row(tag, row.text, row.first_code);
    case code_number:
      return number_row(tag, row.text, std::nullopt);
    case code_hex:
      return hex_row(tag, row.text);
    case accent_token:
      if (auto index = script::token_index(tag)) return codes({row.first_code, *index});
      return std::nullopt;
    case end_marker:
      if (tag == row.text) return codes({});
      return std::nullopt;
  }
  return std::nullopt;
}

// Fills the trace, when the caller asks for one.
class Tracer {
 public:
  explicit Tracer(LineTrace* trace) : trace_(trace) {}
  void add(Loss loss, std::size_t begin, std::size_t end, std::uint8_t written = 0) {
    if (trace_) trace_->losses.push_back({loss, begin, end, written});
  }
  void mark(bool name, std::size_t begin, std::size_t end) {
    if (trace_) trace_->marks.push_back({name, begin, end});
  }

 private:
  LineTrace* trace_;
};

// Encodes the complete tag at [begin, end) of `line`; returns whether the rest of the line is
// to be dropped.
bool encode_tag(std::string_view line, std::size_t begin, std::size_t end,
                std::vector<std::uint8_t>& out, std::string& console, Tracer& tracer) {
  const std::string_view tag = line.substr(begin, end - begin);
  tracer.mark(false, begin, end);
  for (const Tag& row : script::tags()) {
    const auto made = row_bytes(row, tag);
    if (!made) continue;
    out.insert(out.end(), made->bytes.begin(), made->bytes.end());
    if (made->after_number) tracer.add(Loss::after_number, begin, end);
    if (made->wrapped) tracer.add(Loss::value_wrapped, begin, end, made->bytes.back());
    return row.ends_line;
  }
  console += kUnsupportedTag;
  tracer.add(Loss::unsupported_tag, begin, end);
  return false;
}

// The part of a dropped line end that is more than its line break.
void add_dropped(Tracer& tracer, Loss loss, std::string_view line, std::size_t from) {
  std::string_view rest = line.substr(from);
  if (rest.ends_with("\r\n")) {
    rest.remove_suffix(2);
  } else if (rest.ends_with('\n')) {
    rest.remove_suffix(1);
  }
  if (!rest.empty()) tracer.add(loss, from, from + rest.size());
}

}  // namespace

void encode_line(std::string_view whole_line, std::vector<std::uint8_t>& out, std::string& console,
                 LineTrace* trace) {
  Tracer tracer(trace);
  const std::size_t nul = whole_line.find('\0');
  if (nul != std::string_view::npos) add_dropped(tracer, Loss::after_nul, whole_line, nul);
  const std::string_view line = whole_line.substr(0, nul);
  std::size_t p = 0;
  while (p < line.size()) {
    // Names first, and only as the whole letter run that starts here.
    std::size_t run = p;
    while (run < line.size() && is_letter(line[run])) ++run;
    if (run > p) {
      if (const auto index = script::name_index(line.substr(p, run - p))) {
        out.push_back(script::kNameCode);
        out.push_back(*index);
        tracer.mark(true, p, run);
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
        tracer.mark(false, p, line.size());
        tracer.add(Loss::unsupported_tag, p, line.size());
        return;
      }
      if (encode_tag(line, p, close + 1, out, console, tracer)) {
        add_dropped(tracer, Loss::after_marker, line, close + 1);
        return;
      }
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
      tracer.add(Loss::unsupported_character, p, p + 1);
    }
    ++p;
  }
}

}  // namespace qv::pack
