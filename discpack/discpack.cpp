#include "discpack/discpack.hpp"

#include <algorithm>
#include <array>
#include <system_error>
#include <variant>

#include "common/files.hpp"
#include "common/paths.hpp"
#include "disc/extract.hpp"
#include "disc/image_writer.hpp"
#include "rooms/archive.hpp"
#include "rooms/roomdump.hpp"
#include "script/dump.hpp"
#include "script/lzss.hpp"

namespace qv::discpack {

namespace {

namespace fs = std::filesystem;

constexpr int kScriptPart = 8;
constexpr std::size_t kReadChunkSectors = 16;

std::string file_name(int file_number) {
  return common::format_path("%04d.out", file_number);
}

// The bytes of a file as the directory places it, or nothing when the image ends inside it.
std::optional<std::vector<std::uint8_t>> read_disc_file(disc::ImageSource& image,
                                                        const disc::FileExtent& extent) {
  disc::SectorReader reader(image, kReadChunkSectors);
  std::vector<std::uint8_t> scratch(kReadChunkSectors * disc::kUserDataSize);
  std::vector<std::uint8_t> bytes;
  const disc::ExtractResult result =
      disc::extract_file(reader, extent, scratch, [&](std::span<const std::uint8_t> part) {
        bytes.insert(bytes.end(), part.begin(), part.end());
        return true;
      });
  if (result.image_short) return std::nullopt;
  return bytes;
}

RoomPlan refused(std::string reason) {
  RoomPlan plan;
  plan.outcome = RoomOutcome::refused;
  plan.reason = std::move(reason);
  return plan;
}

struct ImageRun {
  std::vector<disc::SectorPatch> patches;
  int replaced = 0;
  int unchanged = 0;
  int without_script = 0;
  int refused = 0;
};

}  // namespace

std::optional<std::string> check_compressed_script(std::span<const std::uint8_t> compressed) {
  const auto header = script::read_compressed_header(compressed);
  if (!header) {
    return "8script holds " + std::to_string(compressed.size()) +
           " bytes, fewer than its 12-byte header";
  }
  const std::vector<std::uint8_t> decompressed =
      script::decompress(compressed.subspan(script::kCompressedHeaderSize), header->size_limit);
  const auto table = script::read_record_table(decompressed);
  if (const auto* unreadable = std::get_if<script::UnreadableTable>(&table)) {
    return "8script does not decompress to a readable record table: " + unreadable->reason;
  }
  const auto& records = std::get<script::RecordTable>(table).records;
  const std::size_t end = script::start_offset(records.back());
  if (decompressed.size() < end) {
    return "8script decompresses to " + std::to_string(decompressed.size()) +
           " bytes, short of its text's end at " + std::to_string(end);
  }
  return std::nullopt;
}

RoomPlan plan_room(disc::ImageSource& image, const disc::FileIndex& index, int room,
                   std::span<const std::uint8_t> compressed) {
  const int file_number = rooms::kFirstRoomFile + 3 * room;
  const std::string where = file_name(file_number);
  const auto extent = disc::file_extent(index, file_number);
  if (!extent) return refused("the disc directory does not place " + where);
  const auto archive = read_disc_file(image, *extent);
  if (!archive) return refused("the image ends inside " + where);

  const rooms::SplitArchive split = rooms::split_room_archive(*archive, "code");
  if (split.parts.size() > kScriptPart &&
      split.parts[kScriptPart].bytes.size() == compressed.size() &&
      std::equal(compressed.begin(), compressed.end(), split.parts[kScriptPart].bytes.begin())) {
    return RoomPlan{};
  }
  if (auto problem = check_compressed_script(compressed)) return refused(std::move(*problem));

  const rooms::ReplacedArchive replaced =
      rooms::replace_room_part(*archive, kScriptPart, compressed);
  if (replaced.refusal) return refused(where + ": " + *replaced.refusal);
  disc::FileRewrite rewrite = disc::plan_file_rewrite(image, *extent, replaced.bytes);
  if (rewrite.refusal) return refused(where + ": " + *rewrite.refusal);

  RoomPlan plan;
  plan.outcome = RoomOutcome::replaced;
  plan.patches = std::move(rewrite.patches);
  plan.slack_units = rewrite.slack_units;
  return plan;
}

int run_discpack(std::span<const std::string> args, const fs::path& work_dir,
                 std::ostream& console) {
  if (args.size() != 2) {
    console << "Usage:\n"
            << "discpack <original image> <translated image>\n";
    return 1;
  }
  const fs::path original = work_dir / args[0];
  const fs::path output = work_dir / args[1];
  std::error_code error;
  if (fs::equivalent(original, output, error)) {
    console << "The translated image " << args[1] << " would overwrite the original.\n";
    return 1;
  }
  const auto image = disc::FileImage::open(original);
  if (!image) {
    console << "Unable to open the disc image " << args[0] << "\n";
    return 1;
  }

  // The directory as it stands; replaced rooms change their slack in it.
  std::vector<std::uint8_t> directory(disc::kDirectorySectorCount * disc::kUserDataSize);
  disc::SectorReader reader(*image, disc::kDirectorySectorCount);
  if (reader.read_user_data(disc::kFirstDirectorySector, disc::kDirectorySectorCount, directory) !=
      directory.size()) {
    console << "Unable to read the disc directory of " << args[0]
            << ": the image ends before sector "
            << disc::kFirstDirectorySector + disc::kDirectorySectorCount << "\n";
    return 1;
  }
  const std::vector<std::uint8_t> old_directory = directory;
  const disc::FileIndex index =
      disc::build_file_index(directory, static_cast<std::uint32_t>(reader.sector_count())).index;

  ImageRun run;
  for (int room = 0; room < rooms::kRoomCount; ++room) {
    const fs::path script_path = common::resolve_path(
        work_dir / common::format_path("..//rooms//disk1//%d//code//8script", room));
    if (!fs::exists(script_path, error)) {
      ++run.without_script;
      continue;
    }
    const auto compressed = common::read_file(script_path);
    RoomPlan plan = compressed ? plan_room(*image, index, room, *compressed)
                               : refused("cannot read " + script_path.string());
    switch (plan.outcome) {
      case RoomOutcome::unchanged:
        ++run.unchanged;
        break;
      case RoomOutcome::refused:
        ++run.refused;
        console << "Room " << room << " not replaced: " << plan.reason << "\n";
        break;
      case RoomOutcome::replaced: {
        const int file_number = rooms::kFirstRoomFile + 3 * room;
        // file_extent found the file, so its entry is there; checked all the same.
        const auto entry = disc::directory_entry_offset(directory, file_number);
        if (!entry) {
          ++run.refused;
          console << "Room " << room << " not replaced: no directory entry for "
                  << file_name(file_number) << "\n";
          break;
        }
        ++run.replaced;
        directory[*entry + 3] = plan.slack_units;
        console << "Room " << room << " replaced: " << plan.patches.size()
                << " sectors rewritten in " << file_name(file_number) << "\n";
        run.patches.insert(run.patches.end(), plan.patches.begin(), plan.patches.end());
        break;
      }
    }
  }

  for (std::uint32_t s = 0; s < disc::kDirectorySectorCount; ++s) {
    const auto user = std::span(directory).subspan(s * disc::kUserDataSize, disc::kUserDataSize);
    if (std::equal(user.begin(), user.end(), old_directory.begin() + s * disc::kUserDataSize)) {
      continue;
    }
    const std::uint32_t lba = disc::kFirstDirectorySector + s;
    const disc::SectorPlan plan =
        disc::plan_sector_rewrite(*image, lba, user.first<disc::kUserDataSize>());
    if (plan.refusal) {
      console << "Unable to rewrite the disc directory: " << *plan.refusal << "\n";
      return 1;
    }
    if (plan.patch) run.patches.push_back(*plan.patch);
  }

  console << run.replaced << " rooms replaced, " << run.unchanged << " unchanged, " << run.refused
          << " not replaced, " << run.without_script << " without an 8script; "
          << run.patches.size() << " sectors rewritten\n";
  if (const auto failure = disc::write_patched_image(original, output, run.patches)) {
    console << "Unable to write " << args[1] << ": " << *failure << "\n";
    return 1;
  }
  console << "Translated image written to " << args[1] << "\n";
  return run.refused == 0 ? 0 : 1;
}

}  // namespace qv::discpack
