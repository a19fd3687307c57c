#pragma once
// discpack: puts each room's repacked compressed script back into the room's code archive and
// the archive back into a copy of the disc image, every rewritten sector with fresh EDC/ECC.
// Here rooms, scripts and the disc meet; each of them knows nothing of the others.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "disc/file_index.hpp"
#include "disc/image.hpp"
#include "disc/sector_writer.hpp"

namespace qv::discpack {

// Why a compressed script must not go onto the disc, or nothing when it reads back whole: a
// 12-byte header, a stream that decompresses to a readable record table and to at least the
// bytes that its closing record's offset promises.
std::optional<std::string> check_compressed_script(std::span<const std::uint8_t> compressed);

enum class RoomOutcome { unchanged, replaced, refused };

struct RoomPlan {
  RoomOutcome outcome = RoomOutcome::unchanged;
  std::vector<disc::SectorPatch> patches;  // the room's code archive sectors
  std::uint8_t slack_units = 0;            // the archive's new slack in the directory
  std::string reason;                      // for a refused room
};

// Plans putting `compressed` (a room's new "8script") into the code archive of `room` on
// `image`. The room is unchanged when its archive already holds these bytes as part 8; it is
// refused, with no patches, when the script does not read back whole, the archive cannot take
// it, or the new archive does not fit in the archive's sectors.
RoomPlan plan_room(disc::ImageSource& image, const disc::FileIndex& index, int room,
                   std::span<const std::uint8_t> compressed);

// The whole run over the arguments that follow the program name: the original image and the
// translated image to write. Reads "..//rooms//disk1//R//code//8script" relative to `work_dir`
// for every room that has one; relative image paths are taken from `work_dir` too. Returns
// the exit status: 0 when every room went in, 1 after the usage text, an image that cannot be
// read or written, or any refused room (the image is still written with the other rooms).
int run_discpack(std::span<const std::string> args, const std::filesystem::path& work_dir,
                 std::ostream& console);

}  // namespace qv::discpack
