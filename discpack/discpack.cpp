// SPDX-License-Identifier: GPL-3.0-or-later
#include "discpack/discpack.hpp"

#include <sys/stat.h>

#include <algorithm>
#include <system_error>

#include "common/files.hpp"
#include "common/paths.hpp"
#include "disc/extract.hpp"
#include "disc/image_plan.hpp"
#include "pack/compressor.hpp"
#include "pack/script_builder.hpp"
#include "rooms/archive.hpp"
#include "rooms/roomdump.hpp"
#include "script/dump.hpp"
#include "script/lzss.hpp"

namespace qv::discpack {

namespace {

namespace fs = std::filesystem;

constexpr int kScriptPart = 8;
// The directory counts a file's slack in units of 8 bytes.
constexpr std::size_t kSlackUnit = 8;

// The bytes of a file as the directory places it, or nothing when the image ends inside it.
std::optional<std::vector<std::uint8_t>> read_disc_file(disc::ImageSource& image,
                                                        const disc::FileIndex& index,
                                                        int file_number) {
  const auto extent = disc::file_extent(index, file_number);
  if (!extent) return std::nullopt;
  disc::SectorReader reader(image, 16);
  std::vector<std::uint8_t> scratch(reader.chunk_sectors() * disc::kUserDataSize);
  std::vector<std::uint8_t> bytes;
  const disc::ExtractResult result =
      disc::extract_file(reader, *extent, scratch, [&](std::span<const std::uint8_t> part) {
        bytes.insert(bytes.end(), part.begin(), part.end());
        return true;
      });
  if (result.image_short) return std::nullopt;
  return bytes;
}

std::string plural(std::size_t count, const char* word) {
  return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

// Same file, whatever the names: a link, hard or symbolic, is the file it leads to.
bool same_file(const fs::path& a, const fs::path& b) {
  struct stat first {};
  struct stat second {};
  return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
         first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

struct Counts {
  int in_place = 0;
  int moved = 0;
  int left_out = 0;
};

}  // namespace

bool is_untouched(std::span<const std::uint8_t> script, std::span<const std::uint8_t> part,
                  int room) {
  if (std::ranges::equal(script, part)) return true;
  const auto header = script::read_compressed_header(part);
  if (!header) return false;
  const std::vector<std::uint8_t> decompressed =
      script::decompress(part.subspan(script::kCompressedHeaderSize), header->size_limit);
  const script::RoomDump dump = script::dump_room(decompressed, room);
  if (!dump.text) return false;
  const auto built = pack::build_script(
      std::span(reinterpret_cast<const std::uint8_t*>(dump.text->data()), dump.text->size()));
  if (built.refusal) return false;
  return std::ranges::equal(script,
                            pack::write_compressed_script(built.script, header->header_word));
}

int run_discpack(std::span<const std::string> args, const fs::path& work_dir, std::ostream& console,
                 const disc::BeforeVerify& before_verify) {
  std::vector<std::string> paths;
  bool allow_move = false;
  bool usage_error = false;
  for (const std::string& arg : args) {
    if (arg == "--allow-move") {
      allow_move = true;
    } else if (arg.starts_with("--")) {
      usage_error = true;
    } else {
      paths.push_back(arg);
    }
  }
  if (usage_error || paths.size() != 2) {
    console << "Usage:\ndiscpack ORIGINAL NEW [--allow-move]\n";
    return 2;
  }
  const fs::path original = work_dir / paths[0];
  const fs::path output = work_dir / paths[1];
  if (same_file(original, output)) {
    console << "discpack: " << paths[1] << " is " << paths[0] << " itself; nothing written\n";
    return 2;
  }
  const auto image = disc::FileImage::open(original);
  if (!image) {
    console << "discpack: cannot open " << paths[0] << "; nothing written\n";
    return 2;
  }
  auto started = disc::ImagePlan::start(*image);
  if (const auto* why = std::get_if<std::string>(&started)) {
    console << "discpack: cannot read the directory of " << paths[0] << ": " << *why
            << "; nothing written\n";
    return 2;
  }
  disc::ImagePlan plan = std::move(std::get<disc::ImagePlan>(started));
  const disc::FileIndex original_index =
      disc::build_file_index(plan.original_directory(),
                             static_cast<std::uint32_t>(image->size() / disc::kRawSectorSize))
          .index;

  Counts counts;
  for (int room = 0; room < rooms::kRoomCount; ++room) {
    const fs::path script_path = common::room_code_dir(work_dir, room) / "8script";
    std::error_code error;
    if (!fs::exists(script_path, error)) continue;
    const int file_number = rooms::kFirstRoomFile + 3 * room;
    const std::string room_file =
        "Room " + std::to_string(room) + ": file " + std::to_string(file_number);
    auto left_out = [&](const std::string& why) {
      console << room_file << " left out: " << why << "\n";
      ++counts.left_out;
    };

    const auto script = common::read_file(script_path);
    if (!script) {
      left_out("cannot read " + script_path.string());
      continue;
    }
    const auto archive = read_disc_file(*image, original_index, file_number);
    if (!archive) {
      left_out("its archive cannot be read");
      continue;
    }
    // The part as the room dumper split it out, so an untouched tree asks for no change even
    // where the archive could not be rebuilt.
    const rooms::SplitArchive split = rooms::split_room_archive(*archive, "code");
    if (split.parts.size() > kScriptPart &&
        is_untouched(*script, split.parts[kScriptPart].bytes, room)) {
      continue;
    }
    const rooms::ReplacedArchive rebuilt =
        rooms::replace_room_part(*archive, kScriptPart, *script, kSlackUnit);
    if (rebuilt.refusal) {
      left_out(*rebuilt.refusal);
      continue;
    }

    const disc::Placement placement =
        plan.place_file(*image, file_number, rebuilt.bytes, allow_move);
    switch (placement.kind) {
      case disc::PlacementKind::in_place:
        console << room_file << " replaced in place (" << placement.sectors_needed << " of "
                << placement.sectors_held << " sectors)\n";
        ++counts.in_place;
        break;
      case disc::PlacementKind::moved:
        console << room_file << " moved: " << plural(placement.sectors_needed, "sector") << " (was "
                << placement.sectors_held << "); " << plural(placement.entries_moved, "file")
                << " after it moved by " << plural(placement.sectors_added, "sector") << "\n";
        ++counts.moved;
        break;
      case disc::PlacementKind::does_not_fit:
        console << room_file << " needs " << plural(placement.sectors_needed, "sector") << ", has "
                << placement.sectors_held << ": left out (--allow-move moves the files after it)\n";
        ++counts.left_out;
        break;
      case disc::PlacementKind::past_last_sector:
        console << room_file << " needs " << plural(placement.sectors_needed, "sector")
                << "; moving would push file " << placement.pushed_file
                << " past sector 0x4EFFFF: left out\n";
        ++counts.left_out;
        break;
      case disc::PlacementKind::refused:
        left_out(placement.reason);
        break;
    }
  }

  if (const auto failure = disc::write_planned_image(original, output, plan, before_verify)) {
    console << "discpack: " << *failure << "; nothing written\n";
    return 2;
  }
  if (counts.moved > 0) {
    console << "discpack: files moved; " << paths[1] << " is no longer " << disc::kExpectedImageSize
            << " bytes, so discunpack warns about its size, and other structures of the disc, if "
               "any, were not updated\n";
  }
  console << "discpack: " << counts.in_place << " rooms replaced in place, " << counts.moved
          << " moved, " << counts.left_out << " left out; " << paths[1]
          << " written and verified\n";
  return counts.left_out == 0 ? 0 : 1;
}

}  // namespace qv::discpack
