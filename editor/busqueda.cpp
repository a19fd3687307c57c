// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/busqueda.hpp"

namespace qv::editor {

namespace {

unsigned char lower(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 0x20);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 0x20);
  switch (c) {
    case 0x8A:  // Š
    case 0x8C:  // Œ
    case 0x8E:  // Ž
      return static_cast<unsigned char>(c + 0x10);
    case 0x9F:  // Ÿ
      return 0xFF;
    default:
      return c;
  }
}

}  // namespace

std::string fold_case(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) c = static_cast<char>(lower(static_cast<unsigned char>(c)));
  return folded;
}

std::optional<Place> find_next(std::span<const std::vector<std::string>* const> fields,
                               std::string_view needle, Place from) {
  if (needle.empty() || fields.empty()) return std::nullopt;
  const std::string wanted = fold_case(needle);
  std::size_t count = fields[0]->size();
  for (const auto* field : fields) count = std::min(count, field->size());
  if (count == 0) return std::nullopt;
  if (from.dialogue >= count) from = {};
  // One full round, ending in the text the search started from, before the start offset.
  const std::size_t steps = count * fields.size() + 1;
  Place at = from;
  for (std::size_t step = 0; step < steps; ++step) {
    const std::string& text = (*fields[at.field])[at.dialogue];
    const std::string folded = fold_case(text);
    const std::size_t hit = folded.find(wanted, at.offset);
    const bool wrapped_home = step + 1 == steps;
    if (hit != std::string::npos && (!wrapped_home || hit < from.offset)) {
      return Place{at.dialogue, at.field, hit};
    }
    at.offset = 0;
    if (++at.field == fields.size()) {
      at.field = 0;
      at.dialogue = (at.dialogue + 1) % count;
    }
  }
  return std::nullopt;
}

}  // namespace qv::editor
