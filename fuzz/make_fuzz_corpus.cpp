// SPDX-License-Identifier: GPL-3.0-or-later
// make_fuzz_corpus DIR: writes the seed corpora (DIR/<harness>/) and the dump-text dictionary
// (DIR/../dump_text.dict) from our own sample disc. Run by hand when the formats change; the
// output is committed.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <vector>

#include "disc/file_index.hpp"
#include "disc/image.hpp"
#include "rooms/archive.hpp"
#include "script/dump.hpp"
#include "script/vocabulary.hpp"
#include "tools/sample_disc/sample_disc.hpp"

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

namespace {

void write(const fs::path& path, std::span<const std::uint8_t> bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Files first..first+count of the sample disc as a harness input: chunk byte, directory
// length, a directory whose sectors are moved to start at 0, then the raw sectors they name.
Bytes disc_seed(const qv::tools::SampleDiscLayout& layout, std::span<const std::uint8_t> image,
                int first, int count, bool with_skipped_entry) {
  const std::uint32_t base = layout.files[first].start;
  const std::uint32_t end = first + count < int(layout.files.size())
                                ? layout.files[first + count].start
                                : layout.sector_count;
  Bytes directory;
  for (int f = first; f < first + count; ++f) {
    const std::uint32_t lba = layout.files[f].start - base;
    directory.insert(directory.end(), {std::uint8_t(lba), std::uint8_t(lba >> 8),
                                       std::uint8_t(lba >> 16), layout.files[f].slack_units});
    if (with_skipped_entry && f == first) directory.insert(directory.end(), {0, 0, 0x4F, 0});
  }
  const std::uint32_t after = end - base;
  directory.insert(directory.end(),
                   {std::uint8_t(after), std::uint8_t(after >> 8), std::uint8_t(after >> 16), 0});
  Bytes seed{2, std::uint8_t(directory.size()), std::uint8_t(directory.size() >> 8)};
  seed.insert(seed.end(), directory.begin(), directory.end());
  seed.insert(seed.end(), image.begin() + qv::disc::sector_offset(base),
              image.begin() + qv::disc::sector_offset(end));
  return seed;
}

Bytes prefixed(std::initializer_list<std::uint8_t> prefix, std::span<const std::uint8_t> bytes) {
  Bytes out(prefix);
  out.insert(out.end(), bytes.begin(), bytes.end());
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_fuzz_corpus DIR\n");
    return 2;
  }
  const fs::path dir = argv[1];
  const qv::tools::SampleDiscOptions options{};
  const auto layout = qv::tools::plan_sample_disc(options);
  const Bytes image = qv::tools::make_sample_disc(options);

  write(dir / "fuzz_disc_index/first_files", disc_seed(layout, image, 0, 6, true));
  write(dir / "fuzz_disc_index/room_files", disc_seed(layout, image, 356, 3, false));
  const auto directory = std::span(image).subspan(
      qv::disc::sector_offset(qv::disc::kFirstDirectorySector) + qv::disc::kSectorHeaderSize, 512);
  write(dir / "fuzz_disc_index/directory_only", prefixed({0, 0, 2}, directory));

  for (int room : {0, 1, 7, 37, 271}) {
    const std::string name = "room" + std::to_string(room);
    const Bytes code = qv::tools::sample_room_file(356 + 3 * room, options.seed);
    const Bytes gfx = qv::tools::sample_room_file(358 + 3 * room, options.seed);
    write(dir / "fuzz_room_archive" / (name + "_code"), prefixed({0}, code));
    if (gfx.size() <= 16384) write(dir / "fuzz_room_archive" / (name + "_gfx"), prefixed({2}, gfx));

    const auto split = qv::rooms::split_room_archive(code, "code");
    for (const auto& part : split.parts) {
      if (part.name == "8script") write(dir / "fuzz_lzss" / name, part.bytes);
    }
    const Bytes script = qv::tools::sample_room_script(room, options.seed);
    write(dir / "fuzz_script_dump" / name, prefixed({std::uint8_t(room), 0}, script));
    write(dir / "fuzz_compressor" / name,
          std::span(script).first(std::min<std::size_t>(script.size(), 4096)));
    if (script.size() <= 8192) write(dir / "fuzz_round_trip" / name, script);

    // The dump text as the packer, the editor and the checks read it; the checks' input is a
    // translation, 0xFF and its source.
    const std::string dump = *qv::script::dump_room(script, room).text;
    if (dump.size() > 16384) continue;
    const Bytes text(dump.begin(), dump.end());
    write(dir / "fuzz_pack_text" / name, text);
    write(dir / "fuzz_dialogue_text" / name, prefixed({std::uint8_t(room)}, text));
    Bytes pair = text;
    pair.push_back(0xFF);
    pair.insert(pair.end(), text.begin(), text.end());
    write(dir / "fuzz_check" / name, pair);
  }

  // Every tag of the dump text, for the harnesses of its readers.
  std::ofstream dict(dir.parent_path() / "dump_text.dict", std::ios::binary);
  dict << "# The tags of the dump text, written by make_fuzz_corpus from the vocabulary.\n";
  auto entry = [&](std::string_view text) {
    if (text.empty()) return;
    dict << '"';
    for (const char c : text) {
      const auto byte = static_cast<unsigned char>(c);
      if (c == '"' || c == '\\' || byte < 0x20 || byte >= 0x7F) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
        dict << escaped;
      } else {
        dict << c;
      }
    }
    dict << "\"\n";
  };
  for (const auto& tag : qv::script::tags()) {
    std::string text(tag.text);
    if (const auto at = text.find("%d"); at != std::string::npos) text.replace(at, 2, "1");
    entry(text);
  }
  entry(qv::script::kEndOfBlock);
  entry("<Text block 1>");
  entry("<params: 0 0 0 0 0 0>");
  entry("<additional params: 0 0 0 0 0 0 0 0>");
  entry("\r\n");
  return 0;
}
