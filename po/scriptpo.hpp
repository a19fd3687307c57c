// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// scriptpo: a room's dialogue as a PO file for a team's translation tools, the PO files merged
// back into the editor's translation and comments files, and the finished translations placed
// where scriptpack reads them.
#include <filesystem>
#include <ostream>
#include <span>
#include <string>

namespace qv::po {

// Runs one command beside the tree (`work_dir` is the working directory; the rooms are at
// "..//rooms//disk1//R//code//"):
//   export [--translations DIR] [--out PODIR]   one PO file per room with text, PODIR/room_NNN.po
//   import PO... [--translations DIR]           each PO file into its room's files below DIR
//   place [--translations DIR]                  each checked translation to the room's
//   outscript.txt
// DIR is the folder that holds the editor's "Scripts Modificados" and "Comentarios" (default:
// `work_dir`); PODIR defaults to "../po". What was done and every refusal go to `out`; usage
// errors and files that cannot be read or written go to `errors`. Returns the exit status: 0
// when everything was written or placed, 1 when a PO file was refused or a room left out, 2 for
// a usage error or a file that cannot be read or written.
int run_scriptpo(std::span<const std::string> args, const std::filesystem::path& work_dir,
                 std::ostream& out, std::ostream& errors);

}  // namespace qv::po
