#include "script/scriptdump.hpp"

#include <string>

#include "common/files.hpp"
#include "common/paths.hpp"
#include "script/dump.hpp"
#include "script/lzss.hpp"

namespace qv::script {

namespace {

namespace fs = std::filesystem;

// Works one room and returns what its console line shows after the room number.
std::string dump_one_room(const fs::path& work_dir, int room) {
  const fs::path code_dir =
      common::resolve_path(work_dir / common::format_path("..//rooms//disk1//%d//code//", room));
  const fs::path script_path = code_dir / "8script";
  std::error_code error;
  if (!fs::exists(script_path, error)) return {};  // a room without a script
  const auto file = common::read_file(script_path);
  if (!file) return "cannot read 8script; room skipped";
  const auto header = read_compressed_header(*file);
  if (!header) return "8script is shorter than its 12-byte header; room skipped";

  const std::span<const std::uint8_t> stream = std::span(*file).subspan(kCompressedHeaderSize);
  const std::vector<std::uint8_t> script = decompress(stream, header->size_limit);
  const struct {
    fs::path path;
    std::string bytes;
  } outputs[] = {
      {code_dir / "8script.ccs", std::string(script.begin(), script.end())},
      {work_dir / "temp", bit_text(stream)},
      {code_dir / "8script.dat",
       std::string(header->header_word.begin(), header->header_word.end())},
  };
  for (const auto& output : outputs) {
    if (!common::write_file(output.path, output.bytes)) {
      return "cannot write " + output.path.filename().string() + "; room skipped";
    }
  }

  RoomDump dump = dump_room(script, room);
  if (dump.text && !common::write_file(code_dir / "outscript.txt", *dump.text)) {
    dump.console += " cannot write outscript.txt";
  }
  return dump.console;
}

}  // namespace

void run_scriptdump(const fs::path& work_dir, std::ostream& console) {
  for (int room = 0; room < kRoomCount; ++room) {
    console << '\n' << room << ' ' << dump_one_room(work_dir, room) << std::flush;
  }
}

}  // namespace qv::script
