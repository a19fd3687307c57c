// SPDX-License-Identifier: GPL-3.0-or-later
#include "script/scriptdump.hpp"

#include <string>

#include "common/files.hpp"
#include "common/paths.hpp"
#include "script/dump.hpp"
#include "script/lzss.hpp"

namespace qv::script {

namespace {

namespace fs = std::filesystem;

struct RoomResult {
  std::string console;  // what the room's console line shows after the room number
  bool failed = false;  // the room was refused or an output could not be written
};

// Works one room. Every output of the room is replaced together, so a room whose writes fail
// keeps all its older files.
RoomResult dump_one_room(const fs::path& work_dir, int room) {
  const fs::path code_dir = common::room_code_dir(work_dir, room);
  const fs::path script_path = code_dir / "8script";
  std::error_code error;
  if (!fs::exists(script_path, error)) return {};  // a room without a script
  const auto file = common::read_file(script_path);
  if (!file) return {"cannot read 8script; room skipped", true};
  const auto header = read_compressed_header(*file);
  if (!header) return {"8script is shorter than its 12-byte header; room skipped", true};

  const std::span<const std::uint8_t> stream = std::span(*file).subspan(kCompressedHeaderSize);
  const std::vector<std::uint8_t> script = decompress(stream, header->size_limit);
  const std::string bits = bit_text(stream);
  const auto as_bytes = [](std::string_view text) {
    return std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  };
  std::vector<common::FileOutput> outputs = {
      {code_dir / "8script.ccs", script},
      {work_dir / "temp", as_bytes(bits)},
      {code_dir / "8script.dat", header->header_word},
  };
  RoomDump dump = dump_room(script, room);
  if (dump.text) outputs.push_back({code_dir / "outscript.txt", as_bytes(*dump.text)});
  RoomResult result{std::move(dump.console), !dump.text.has_value()};
  if (const auto failure = common::write_files(outputs)) {
    if (!result.console.empty()) result.console += ' ';
    result.console += "cannot write " + failure->path.filename().string() + ": " + failure->reason +
                      "; room skipped";
    result.failed = true;
  }
  return result;
}

}  // namespace

bool run_scriptdump(const fs::path& work_dir, std::ostream& console) {
  bool failed = false;
  for (int room = 0; room < kRoomCount; ++room) {
    const RoomResult result = dump_one_room(work_dir, room);
    console << '\n' << room << ' ' << result.console << std::flush;
    failed = failed || result.failed;
  }
  return !failed;
}

}  // namespace qv::script
