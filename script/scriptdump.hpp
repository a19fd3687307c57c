#pragma once
#include <filesystem>
#include <ostream>

namespace qv::script {

inline constexpr int kRoomCount = 537;

// For every room, decompresses "..//rooms//disk1//R//code//8script" (relative to `work_dir`)
// into "8script.ccs", keeps its header word in "8script.dat", writes the bit file "temp" into
// `work_dir` and the dump text "outscript.txt". Console text goes to `console`.
void run_scriptdump(const std::filesystem::path& work_dir, std::ostream& console);

}  // namespace qv::script
