// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogue/frame.hpp"

#include "dialogue/dump_text.hpp"
#include "script/vocabulary.hpp"

namespace qv::dialogue {

using script::kEndOfBlock;

namespace {
constexpr std::string_view kBlockStart = "<Text block ";
constexpr std::string_view kSharedMarker = "\xE2\x80\xA6";  // "…", never a line of a dump
}  // namespace

std::vector<std::string> frame_parts(std::string_view dialogue) {
  std::vector<std::string> parts;
  LineReader lines(dialogue);
  const bool has_block = dialogue.find(kBlockStart) != std::string_view::npos;
  bool in_header = has_block && !dialogue.starts_with(kBlockStart);
  while (!lines.at_end()) {
    const std::string_view line = lines.next();
    if (line.starts_with(kBlockStart)) in_header = false;
    if (in_header || line.starts_with(kBlockStart)) {
      parts.emplace_back(line);
    } else if (line == kEndOfBlock) {
      parts.emplace_back(line);
    } else if (line.ends_with(kEndOfBlock)) {
      parts.push_back(std::string(kSharedMarker) + std::string(kEndOfBlock));
    }
  }
  return parts;
}

bool keeps_frame(std::string_view before, std::string_view after) {
  const std::string closing = std::string(kEndOfBlock) + std::string(kCrLf);
  if (before.ends_with(closing) && !after.ends_with(closing)) return false;
  return frame_parts(before) == frame_parts(after);
}

}  // namespace qv::dialogue
