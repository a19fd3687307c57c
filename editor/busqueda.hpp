// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Searching a room's texts without regard to case. Qt-free: works on code page 1252 bytes.
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qv::editor {

// `text` with every letter of code page 1252 in lower case.
std::string fold_case(std::string_view text);

// Where a search stands or what it found: the dialogue (from 0), the text of that dialogue (0
// source, 1 translation, 2 comment) and the byte offset within it.
struct Place {
  std::size_t dialogue = 0;
  std::size_t field = 0;
  std::size_t offset = 0;
  auto operator<=>(const Place&) const = default;
};

// The first match of `needle` at or after `from`, going through the dialogues in order and the
// three texts of each in order, then round from the first dialogue back up to `from`. `fields`
// holds the three texts of every dialogue. Nothing for an empty needle or no match.
std::optional<Place> find_next(std::span<const std::vector<std::string>* const> fields,
                               std::string_view needle, Place from);

}  // namespace qv::editor
