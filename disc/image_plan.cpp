// SPDX-License-Identifier: GPL-3.0-or-later
#include "disc/image_plan.hpp"

#include <algorithm>

namespace qv::disc {

namespace {

constexpr std::uint32_t kDirectoryEnd = kFirstDirectorySector + kDirectorySectorCount;
constexpr std::uint8_t kEndOfRecord = 0x01;
constexpr std::uint8_t kEndOfFile = 0x80;
constexpr std::size_t kSubmode = 2;

std::uint32_t entry_start(std::span<const std::uint8_t> directory, std::size_t at) {
  return directory[at] | directory[at + 1] << 8 | std::uint32_t{directory[at + 2]} << 16;
}

bool accepted(std::span<const std::uint8_t> directory, std::size_t at) {
  return directory[at + 2] <= kLastAcceptedByte2;
}

std::array<std::uint8_t, kSubheaderSize> subheader_of(const RawSector& raw) {
  std::array<std::uint8_t, kSubheaderSize> subheader{};
  std::copy_n(raw.begin() + kSubheaderOffset, kSubheaderSize, subheader.begin());
  return subheader;
}

}  // namespace

std::variant<ImagePlan, std::string> ImagePlan::start(ImageSource& original) {
  ImagePlan plan;
  plan.original_size_ = original.size();
  plan.directory_.resize(std::size_t{kDirectorySectorCount} * kUserDataSize);
  plan.directory_sectors_.resize(kDirectorySectorCount);
  for (std::uint32_t s = 0; s < kDirectorySectorCount; ++s) {
    RawSector& raw = plan.directory_sectors_[s];
    if (original.read_at(sector_offset(kFirstDirectorySector + s), raw) != raw.size()) {
      return "the image ends before sector " + std::to_string(kDirectoryEnd);
    }
    std::copy_n(raw.begin() + kSectorHeaderSize, kUserDataSize,
                plan.directory_.begin() + std::size_t{s} * kUserDataSize);
    plan.directory_form1_.push_back(is_form1_sector(raw, kFirstDirectorySector + s));
  }
  plan.original_directory_ = plan.directory_;
  const auto sectors = static_cast<std::uint32_t>(plan.original_size_ / kRawSectorSize);
  plan.original_index_ = build_file_index(plan.directory_, sectors).index;
  plan.runs_.push_back({sectors, false, 0, 0});
  return plan;
}

std::uint32_t ImagePlan::sector_count() const {
  std::uint32_t count = 0;
  for (const SectorRun& run : runs_) count += run.length;
  return count;
}

std::optional<std::uint32_t> ImagePlan::first_moved_sector() const {
  std::uint32_t at = 0;
  for (const SectorRun& run : runs_) {
    if (run.is_file) {
      const PlannedFile& file = files_[run.file];
      const std::uint32_t held = file.original_end - file.original_start;
      if (file.sectors > held) return at + held;
    } else if (run.source != at) {
      return at;
    }
    at += run.length;
  }
  return std::nullopt;
}

Placement ImagePlan::place_file(ImageSource& original, int file_number,
                                std::span<const std::uint8_t> content, bool allow_move) {
  Placement placement;
  auto refuse = [&placement](std::string why) {
    placement.kind = PlacementKind::refused;
    placement.reason = std::move(why);
    return placement;
  };
  for (const PlannedFile& file : files_) {
    if (file.file_number == file_number) return refuse("it was given new content already");
  }
  const auto now = file_extent(build_file_index(directory_, sector_count()).index, file_number);
  const auto before = file_extent(original_index_, file_number);
  if (!now || !before) return refuse("the disc directory does not place it");
  const std::uint32_t held = now->sector_count();
  placement.sectors_held = held;
  placement.sectors_needed = static_cast<std::uint32_t>(
      std::max<std::size_t>(1, (content.size() + kUserDataSize - 1) / kUserDataSize));
  if (held == 0) return refuse("it has no sectors");
  if (now->start < kDirectoryEnd && now->end > kFirstDirectorySector) {
    return refuse("its sectors hold the disc directory");
  }

  // The file must still be one piece of the original, where the original put it.
  std::size_t run_index = 0;
  std::uint32_t run_at = 0;
  while (run_index < runs_.size() && run_at + runs_[run_index].length <= now->start) {
    run_at += runs_[run_index++].length;
  }
  if (run_index == runs_.size() || runs_[run_index].is_file ||
      now->end > run_at + runs_[run_index].length ||
      runs_[run_index].source + (now->start - run_at) != before->start ||
      before->sector_count() != held) {
    return refuse("its sectors overlap a file placed before it");
  }

  std::vector<std::array<std::uint8_t, kSubheaderSize>> subheaders;
  for (std::uint32_t s = before->start; s < before->end; ++s) {
    RawSector raw{};
    if (original.read_at(sector_offset(s), raw) != raw.size() || !is_form1_sector(raw, s)) {
      return refuse("sector " + std::to_string(s) + " is not a Mode 2 Form 1 sector of its place");
    }
    subheaders.push_back(subheader_of(raw));
  }

  std::vector<std::uint8_t> directory = directory_;
  std::uint32_t sectors = held;
  if (placement.sectors_needed > held) {
    if (!allow_move) {
      placement.kind = PlacementKind::does_not_fit;
      return placement;
    }
    if (now->end <= kDirectoryEnd) return refuse("moving it would move the disc directory");
    const std::uint32_t added = placement.sectors_needed - held;
    int accepted_number = -1;
    for (std::size_t at = 0; at + kDirectoryEntrySize <= directory.size();
         at += kDirectoryEntrySize) {
      if (!accepted(directory, at)) continue;
      ++accepted_number;
      const std::uint32_t start = entry_start(directory, at);
      if (start < now->end) continue;
      if (start + added > kLastPlaceableSector) {
        placement.kind = PlacementKind::past_last_sector;
        placement.pushed_file = accepted_number;
        return placement;
      }
      const std::uint32_t moved = start + added;
      for (int b = 0; b < 3; ++b) directory[at + b] = static_cast<std::uint8_t>(moved >> (8 * b));
      ++placement.entries_moved;
    }
    placement.sectors_added = added;
    sectors = placement.sectors_needed;
    // Every sector but the last continues the file; the last ends it as the old last one did.
    auto middle = subheaders.front();
    middle[kSubmode] &= static_cast<std::uint8_t>(~(kEndOfRecord | kEndOfFile));
    const auto last = subheaders.back();
    subheaders.assign(sectors, middle);
    subheaders.back() = last;
  }

  PlannedFile file;
  file.file_number = file_number;
  file.original_start = before->start;
  file.original_end = before->end;
  file.sectors = sectors;
  file.content.assign(content.begin(), content.end());
  file.content.resize(std::max<std::uint64_t>(content.size(), shortest_length(sectors)), 0);
  file.slack_units =
      static_cast<std::uint8_t>((std::uint64_t{sectors} * kUserDataSize - file.content.size()) / 8);
  file.subheaders = std::move(subheaders);
  const auto entry = directory_entry_offset(directory, file_number);
  if (!entry) return refuse("the disc directory does not place it");
  directory[*entry + 3] = file.slack_units;

  for (std::uint32_t s = 0; s < kDirectorySectorCount; ++s) {
    const auto from = static_cast<std::ptrdiff_t>(s * kUserDataSize);
    if (!directory_form1_[s] &&
        !std::equal(directory.begin() + from, directory.begin() + from + kUserDataSize,
                    original_directory_.begin() + from)) {
      return refuse("directory sector " + std::to_string(kFirstDirectorySector + s) +
                    " is not a Mode 2 Form 1 sector of its place");
    }
  }

  placement.kind = placement.sectors_added > 0 ? PlacementKind::moved : PlacementKind::in_place;
  directory_ = std::move(directory);
  const SectorRun run = runs_[run_index];
  const std::uint32_t head = now->start - run_at;
  const std::uint32_t rest = run_at + run.length - now->end;
  std::vector<SectorRun> pieces;
  if (head > 0) pieces.push_back({head, false, run.source, 0});
  pieces.push_back({sectors, true, 0, files_.size()});
  if (rest > 0) pieces.push_back({rest, false, run.source + head + held, 0});
  runs_.erase(runs_.begin() + static_cast<std::ptrdiff_t>(run_index));
  runs_.insert(runs_.begin() + static_cast<std::ptrdiff_t>(run_index), pieces.begin(),
               pieces.end());
  files_.push_back(std::move(file));
  return placement;
}

}  // namespace qv::disc
