// SPDX-License-Identifier: GPL-3.0-or-later
#include "disc/discunpack.hpp"

#include <cstdio>
#include <map>
#include <vector>

#include "common/files.hpp"
#include "common/paths.hpp"
#include "disc/categories.hpp"
#include "disc/extract.hpp"
#include "disc/file_index.hpp"
#include "disc/image.hpp"

namespace qv::disc {

namespace {

namespace fs = std::filesystem;

// The "disk1" directory of each category, created and resolved once per run.
class CategoryDirectories {
 public:
  explicit CategoryDirectories(fs::path work_dir) : work_dir_(std::move(work_dir)) {}
  const fs::path& disk1_of(const CategoryRow& row) {
    auto found = resolved_.find(row.directory);
    if (found != resolved_.end()) return found->second;
    const fs::path category = work_dir_ / ".." / row.directory;
    common::make_directory(category);
    common::make_directory(common::resolve_path(category) / "disk1");
    return resolved_.emplace(row.directory, common::resolve_path(category / "disk1")).first->second;
  }

 private:
  fs::path work_dir_;
  std::map<std::string_view, fs::path> resolved_;
};

void print_sector(std::ostream& console, const char* format, std::uint32_t sector) {
  char text[32];
  std::snprintf(text, sizeof text, format, static_cast<double>(sector));
  console << text;
}

}  // namespace

int run_discunpack(std::span<const std::string> args, const fs::path& work_dir,
                   std::ostream& console) {
  console << "Quorvane File Exctactor\n\n";
  if (args.size() != 1) {
    console << "Usage:\n"
            << "discunpack <filename>\n";
    return 1;
  }
  const auto image = FileImage::open(work_dir / args[0]);
  if (!image) {
    console << "Unable to open the cd1.iso file....\n";
    return 1;
  }

  const SizeCheck size_check = check_image_size(image->size());
  console << size_check.console;
  if (size_check.genuine) {
    console << "Genuine Quorvane iso detected.\n";
  } else {
    // The run goes on over whatever image it was given; the warning is advice only.
    console << "Warning:INVALID QUORVANE ISO FILE!!!\n"
            << "Make sure you are using a Genuine Quorvane CD1 iso.";
  }
  console << "Entering file pointer read sequence\n";

  SectorReader reader(*image);
  std::vector<std::uint8_t> buffer(reader.chunk_sectors() * kUserDataSize);

  // A directory sector that the image does not hold whole ends the directory there.
  std::vector<std::uint8_t> directory;
  bool directory_whole = true;
  for (std::uint32_t s = 0; s < kDirectorySectorCount; ++s) {
    console << kFirstDirectorySector + s << '\n';
    if (!directory_whole) continue;
    const std::size_t got = reader.read_user_data(kFirstDirectorySector + s, 1, buffer);
    directory.insert(directory.end(), buffer.begin(), buffer.begin() + got);
    directory_whole = got == kUserDataSize;
  }
  const std::uint64_t sectors = reader.sector_count();
  const DirectoryRead read =
      build_file_index(directory, sectors > UINT32_MAX ? UINT32_MAX : std::uint32_t(sectors));

  const auto table_failure = common::try_write_file(work_dir / "file.tbl", read.file_table);
  bool all_written = !table_failure;
  if (table_failure) console << "Unable to write file.tbl: " << table_failure->reason << '\n';
  console << "Index file generation complete.\n";

  CategoryDirectories directories(work_dir);
  bool all_read = true;  // false once the image ended inside a file
  int first_missing = -1;
  for (int file = 0; file < kFileCount; ++file) {
    const auto extent = file_extent(read.index, file);
    if (!extent) {
      if (first_missing < 0) first_missing = file;
      continue;
    }
    print_sector(console, "\n%.0f - ", extent->start);
    print_sector(console, "%.0f : ", extent->end);

    const CategoryRow& row = category_of(file);
    const fs::path path = directories.disk1_of(row) / output_file_name(file);
    ExtractResult result;
    const auto failure = common::write_file_from(path, [&](const ByteSink& sink) {
      result = extract_file(reader, *extent, buffer, sink);
      return !result.write_failed;
    });
    console << "dumped file number " << file << ' ' << row.text;
    if (failure) {
      console << " [cannot write " << output_path(file) << ": " << failure->reason << ']';
      all_written = false;
    } else if (result.image_short) {
      all_read = false;
      console << " [the image ends inside this file: " << result.bytes_written << " of "
              << extent->byte_size() << " bytes written]";
    }
  }
  if (first_missing >= 0) {
    console << "\nThe directory lists too few files: file numbers " << first_missing << " to "
            << kFileCount - 1 << " were not extracted.";
  }
  return all_written && all_read ? 0 : 1;
}

}  // namespace qv::disc
