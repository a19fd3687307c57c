// SPDX-License-Identifier: GPL-3.0-or-later
#include "rooms/roomdump.hpp"

#include <optional>
#include <string>

#include "common/files.hpp"
#include "common/paths.hpp"
#include "rooms/archive.hpp"

namespace qv::rooms {

namespace {

namespace fs = std::filesystem;

fs::path room_file_path(const fs::path& work_dir, int file_number) {
  // Both formats give four digits for every room file number.
  const std::string name = file_number <= 999
                               ? common::format_path("../rooms/disk1/0%d.out", file_number)
                               : common::format_path("../rooms/disk1/%d.out", file_number);
  return common::resolve_path(work_dir / name);
}

// Creates the room's directory and its kind directory, one level each; returns the latter.
fs::path make_kind_directory(const fs::path& work_dir, int room, const char* kind) {
  const fs::path room_dir = work_dir / common::format_path("../rooms/disk1/%d", room);
  common::make_directory(room_dir);
  common::make_directory(common::resolve_path(room_dir) / kind);
  return common::resolve_path(room_dir / kind);
}

class RoomDumper {
 public:
  RoomDumper(const fs::path& work_dir, std::ostream& console)
      : work_dir_(work_dir), console_(console) {}

  void split_archive_file(int file_number, int room, const char* kind) {
    const auto archive = read_room_file(file_number);
    if (!archive) return;  // a missing file counts as an empty archive
    const SplitArchive result = split_room_archive(*archive, kind);
    if (!result.split) return;
    if (result.refused) failed_ = true;
    const fs::path dir = make_kind_directory(work_dir_, room, kind);
    for (const std::string& note : result.notes) report(room, file_number, note);
    for (const RoomPart& part : result.parts) write_room_part(room, file_number, dir, part);
  }

  void copy_room_file(int file_number, int room, const char* kind) {
    const auto content = read_room_file(file_number);
    if (!content) return;
    write(room, file_number, make_kind_directory(work_dir_, room, kind) / "drp.out", *content);
  }

  bool failed() const { return failed_; }

 private:
  // A room file that is missing or cannot be read is skipped like an empty one, but fails the
  // run: the room could not be dumped whole.
  std::optional<common::Bytes> read_room_file(int file_number) {
    auto content = common::read_file(room_file_path(work_dir_, file_number));
    if (!content) failed_ = true;
    return content;
  }

  // Writes one part; the palette part, once written, also gives the room's colour tables
  // beside it.
  void write_room_part(int room, int file_number, const fs::path& dir, const RoomPart& part) {
    if (!write(room, file_number, dir / part.name, part.bytes)) return;
    if (part.name != "1palette") return;
    const auto tables = convert_room_palettes(part.bytes);
    for (std::size_t k = 0; k < tables.size(); ++k) {
      write(room, file_number, dir / common::format_path("pal%zu.act", k), tables[k]);
    }
  }

  bool write(int room, int file_number, const fs::path& path, std::span<const std::uint8_t> bytes) {
    const auto failure = common::try_write_file(path, bytes);
    if (!failure) return true;
    failed_ = true;
    report(room, file_number, "cannot write " + path.filename().string() + ": " + failure->reason);
    return false;
  }

  void report(int room, int file_number, const std::string& note) {
    console_ << "Room " << room << ", file " << common::format_path("%04d", file_number)
             << ".out: " << note << '\n';
  }

  const fs::path& work_dir_;
  std::ostream& console_;
  bool failed_ = false;
};

}  // namespace

bool run_roomdump(const fs::path& work_dir, std::ostream& console) {
  RoomDumper dumper(work_dir, console);
  for (int room = 0; room < kRoomCount; ++room) {
    console << "Dumping Room " << room << '\n';
    const int first = kFirstRoomFile + 3 * room;
    dumper.split_archive_file(first, room, "code");
    dumper.copy_room_file(first + 1, room, "unknown");
    dumper.split_archive_file(first + 2, room, "GFX");
  }
  console << std::flush;
  return !dumper.failed();
}

}  // namespace qv::rooms
