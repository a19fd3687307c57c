// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// discpack: puts each room's new "8script" back into the room's code archive and the archives
// into a new image beside the original. Here rooms, scripts and the disc meet; each of them
// knows nothing of the others.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "disc/image_writer.hpp"

namespace qv::discpack {

// Whether `script` asks for no change to a room whose code archive holds `part` as part 8: it
// is that part, or what scriptpack writes for the part's untouched dump (decompressed, dumped,
// packed and compressed again with the part's header word).
bool is_untouched(std::span<const std::uint8_t> script, std::span<const std::uint8_t> part,
                  int room);

// The whole run over the arguments that follow the program name: ORIGINAL NEW [--allow-move].
// Reads "..//rooms//disk1//R//code//8script" relative to `work_dir` for every room that has
// one; relative image paths are taken from `work_dir` too. Returns the exit status: 0 when NEW
// was written and verified with every changed room in it, 1 when rooms were left out, 2 when
// nothing was written. `before_verify` is handed to the image writer.
int run_discpack(std::span<const std::string> args, const std::filesystem::path& work_dir,
                 std::ostream& console, const disc::BeforeVerify& before_verify = {});

}  // namespace qv::discpack
