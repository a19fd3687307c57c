// SPDX-License-Identifier: GPL-3.0-or-later
#include "pack/scriptpack.hpp"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "common/files.hpp"
#include "common/paths.hpp"
#include "pack/compressor.hpp"
#include "pack/script_builder.hpp"
#include "script/scriptdump.hpp"

namespace qv::pack {

namespace {

namespace fs = std::filesystem;

struct RoomOutcome {
  std::string console;                 // the encoder's messages
  std::optional<std::string> refusal;  // why the room keeps its files
};

bool file_exists(const fs::path& path) {
  std::error_code error;
  return fs::exists(path, error);
}

// Works one room; every check comes before the first write, so a refused room keeps its files.
RoomOutcome pack_one_room(const fs::path& work_dir, int room) {
  const fs::path code_dir = common::room_code_dir(work_dir, room);
  const fs::path dump_path = code_dir / "outscript.txt";
  const fs::path script_path = code_dir / "script";
  RoomOutcome outcome;

  std::optional<std::vector<std::uint8_t>> built;
  if (file_exists(dump_path)) {
    const auto dump_text = common::read_file(dump_path);
    if (!dump_text) return {{}, "cannot read outscript.txt"};
    BuiltScript result = build_script(*dump_text);
    outcome.console = std::move(result.console);
    if (result.refusal) {
      outcome.refusal = std::move(result.refusal);
      return outcome;
    }
    built = std::move(result.script);
  }

  std::vector<std::uint8_t> script;
  if (built) {
    script = *built;
  } else {
    if (!file_exists(script_path)) return outcome;  // nothing to pack
    auto older = common::read_file(script_path);
    if (!older) {
      outcome.refusal = "cannot read script";
      return outcome;
    }
    script = std::move(*older);
  }
  if (script.empty()) {
    outcome.refusal = "script is empty (0 bytes)";
    return outcome;
  }

  const auto header_file = common::read_file(code_dir / "8script.dat");
  if (!header_file || header_file->size() < 4) {
    outcome.refusal =
        header_file ? "8script.dat holds fewer than 4 bytes" : "cannot read 8script.dat";
    return outcome;
  }
  std::array<std::uint8_t, 4> header_word{};
  std::copy_n(header_file->begin(), header_word.size(), header_word.begin());
  const std::vector<std::uint8_t> compressed = write_compressed_script(script, header_word);

  // "script" and "8script" are replaced together or not at all.
  std::vector<common::FileOutput> outputs;
  if (built) outputs.push_back({script_path, script});
  outputs.push_back({code_dir / "8script", compressed});
  if (const auto failed = common::write_files(outputs)) {
    outcome.refusal = "cannot write " + failed->path.filename().string() + ": " + failed->reason;
  }
  return outcome;
}

}  // namespace

bool run_scriptpack(const fs::path& work_dir, std::ostream& console) {
  bool all_packed = true;
  for (int room = 0; room < script::kRoomCount; ++room) {
    console << "Compressing script for Room " << room << '\n';
    const RoomOutcome outcome = pack_one_room(work_dir, room);
    console << outcome.console;
    if (outcome.refusal) {
      console << "Room " << room << " not packed: " << *outcome.refusal << '\n';
      all_packed = false;
    }
    console << std::flush;
  }
  return all_packed;
}

}  // namespace qv::pack
