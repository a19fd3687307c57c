// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The frame of a dialogue as the editor holds it: the lines that the translator may not change,
// because the packer and the editor's own reading depend on them.
#include <string>
#include <string_view>
#include <vector>

namespace qv::dialogue {

// The fixed parts of one dialogue, in order: the header lines that the first dialogue holds
// before its "<Text block " line, every "<Text block " line, and each "<End of block>" that
// ends a line (only the marker, and whether it stands alone on its line; text before it on its
// line stays free). A marker that shares its line is given as "…<End of block>".
std::vector<std::string> frame_parts(std::string_view dialogue);

// Whether `after`, an edit of `before`, keeps its frame: the same fixed parts in the same order,
// and nothing after the last "<End of block>" but its line break.
bool keeps_frame(std::string_view before, std::string_view after);

}  // namespace qv::dialogue
