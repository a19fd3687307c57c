#include "tools/sample_disc/sample_disc.hpp"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "pack/compressor.hpp"
#include "rooms/archive.hpp"
#include "script/vocabulary.hpp"

namespace qv::tools {

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kRawSector = 2352;
constexpr std::uint32_t kUserData = 2048;
constexpr std::uint32_t kDirectorySector = 24;
constexpr std::uint32_t kFirstFileSector = 36;
constexpr std::size_t kDirectoryEntries = 6144;
constexpr std::uint8_t kSlackFill = 0xA5;  // bytes of a last sector that belong to no file

// splitmix64: small, fast and the same everywhere, so every image is reproducible.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // A number in lo..hi.
  std::uint32_t in(std::uint32_t lo, std::uint32_t hi) {
    return lo + static_cast<std::uint32_t>(next() % (hi - lo + 1));
  }
  std::uint8_t byte() { return static_cast<std::uint8_t>(next()); }
  void fill(std::uint8_t* out, std::size_t n) {
    while (n >= 8) {
      const std::uint64_t word = next();
      std::memcpy(out, &word, 8);
      out += 8, n -= 8;
    }
    if (n > 0) {
      const std::uint64_t word = next();
      std::memcpy(out, &word, n);
    }
  }
  Bytes bytes(std::size_t n) {
    Bytes out(n);
    fill(out.data(), n);
    return out;
  }

 private:
  std::uint64_t state_;
};

Random random_for(std::uint64_t seed, std::uint64_t what, std::uint64_t which) {
  return Random(seed * 0x100000001B3ull ^ (what << 40) ^ which);
}

// A room archive: part count, N + 1 offsets, the parts back to back. The last part grows so
// that the archive is a whole number of 8-byte units, as every file on the disc is.
Bytes room_archive(std::vector<Bytes> parts, Random& random) {
  std::size_t total = 4 + 4 * (parts.size() + 1);
  for (const Bytes& part : parts) total += part.size();
  const Bytes padding = random.bytes((8 - total % 8) % 8);
  parts.back().insert(parts.back().end(), padding.begin(), padding.end());
  return rooms::build_room_archive(parts);
}

Bytes palettes(int count, Random& random) {
  Bytes part;
  for (int i = 0; i < count * 256; ++i) {
    std::uint16_t word = static_cast<std::uint16_t>(random.next() & 0x7FFF);
    if (random.in(0, 7) == 0) word |= 0x8000;  // the semi-transparency flag
    part.push_back(static_cast<std::uint8_t>(word));
    part.push_back(static_cast<std::uint8_t>(word >> 8));
  }
  return part;
}

Bytes code_archive(int room, std::uint64_t seed) {
  Random random = random_for(seed, 1, static_cast<std::uint64_t>(room));
  const int part_count = 9 + room % 4;
  std::vector<Bytes> parts;
  for (int p = 0; p < part_count; ++p) {
    if (p == 1) {
      parts.push_back(palettes(1 + room % 3, random));
    } else if (p == 8) {
      std::array<std::uint8_t, 4> header_word{};
      random.fill(header_word.data(), header_word.size());
      parts.push_back(pack::write_compressed_script(sample_room_script(room, seed), header_word));
    } else {
      parts.push_back(random.bytes(random.in(8, 96)));
    }
  }
  return room_archive(std::move(parts), random);
}

Bytes middle_file(int room, std::uint64_t seed) {
  Random random = random_for(seed, 2, static_cast<std::uint64_t>(room));
  return random.bytes(8 * random.in(1, 190));
}

Bytes gfx_archive(int room, std::uint64_t seed) {
  Random random = random_for(seed, 3, static_cast<std::uint64_t>(room));
  // Byte 4 of each part decides its extension: 1 for ".raw", anything else ".tim".
  static constexpr std::uint8_t kDecisions[] = {1, 0, 2, 8, 9, 1};
  const int part_count = 2 + room % 5;
  std::vector<Bytes> parts;
  for (int p = 0; p < part_count; ++p) {
    Bytes part = random.bytes(4 * random.in(4, 150));
    part[0] = 0x10, part[1] = part[2] = part[3] = 0;
    part[4] = kDecisions[(room + p) % std::size(kDecisions)];
    parts.push_back(std::move(part));
  }
  return room_archive(std::move(parts), random);
}

// Made-up words and sentences; none of them is a character name, which the packer would
// otherwise read back as a name code.
constexpr std::string_view kOpenings[] = {
    "We must reach the old mill before dusk",
    "The river is quiet tonight",
    "Have you seen my lantern",
    "Nobody crosses the stone bridge after the bells",
    "I heard the merchants talk about a storm",
    "Take this map, it shows the northern pass",
    "The caf\xE9 by the square sells sweet bread",
    "Se\xF1or Dumas left the key under the barrel",
    "Three coins for a room, two for the stable",
    "Listen, the wind carries voices from the hills",
};
constexpr std::string_view kEndings[] = {".", "!", "?", "...", ", right?", " - or so they say."};

void append_text(Bytes& out, std::string_view text) {
  for (const char c : text) {
    const auto code = script::character_code(static_cast<unsigned char>(c));
    if (code.encoding == script::CharacterEncoding::code) out.push_back(code.code);
  }
}

// One dialogue: one to three lines, each ending with the line break code; the last line
// closes the window first, so the block ends with the codes 0x00 0x01.
Bytes dialogue(Random& random) {
  Bytes block;
  const int lines = static_cast<int>(random.in(1, 3));
  for (int line = 0; line < lines; ++line) {
    if (random.in(0, 2) == 0) {
      block.push_back(script::kNameCode);
      block.push_back(static_cast<std::uint8_t>(random.in(0, 43)));
      append_text(block, ": ");
    }
    const std::string_view sentence = kOpenings[random.in(0, std::size(kOpenings) - 1)];
    const std::size_t comma = sentence.find(',');
    if (comma != std::string_view::npos && random.in(0, 1) == 0) {
      append_text(block, sentence.substr(0, comma + 1));
      block.push_back(0x04);  // a pause after the comma
      block.push_back(static_cast<std::uint8_t>(random.in(1, 60)));
      append_text(block, sentence.substr(comma + 1));
    } else if (random.in(0, 3) == 0) {
      block.push_back(0x0E);  // a coloured sentence
      block.push_back(static_cast<std::uint8_t>(random.in(1, 7)));
      append_text(block, sentence);
      block.push_back(0x0E);
      block.push_back(0);
    } else {
      append_text(block, sentence);
    }
    append_text(block, kEndings[random.in(0, std::size(kEndings) - 1)]);
    if (line + 1 == lines) block.push_back(script::kCloseCode);
    block.push_back(script::kLineBreakCode);
  }
  return block;
}

// The bytes of each file as a stream: the structured head, then filler.
class FileContent {
 public:
  FileContent(const SampleDiscLayout& layout, int file_number)
      : size_(layout.files[static_cast<std::size_t>(file_number)].size()),
        random_(random_for(layout.options.seed, 4, static_cast<std::uint64_t>(file_number))) {
    if (file_number >= kFirstRoomFile && file_number < kFirstRoomFile + 3 * kRoomCount) {
      head_ = sample_room_file(file_number, layout.options.seed);
    }
  }
  std::uint64_t size() const { return size_; }
  // The next n bytes of the file.
  void next(std::uint8_t* out, std::size_t n) {
    const std::size_t from_head = static_cast<std::size_t>(
        std::min<std::uint64_t>(n, head_.size() - std::min(head_.size(), position_)));
    if (from_head > 0) std::memcpy(out, head_.data() + position_, from_head);
    random_.fill(out + from_head, n - from_head);
    position_ += n;
  }

 private:
  std::uint64_t size_;
  Random random_;
  Bytes head_;
  std::size_t position_ = 0;
};

std::uint8_t bcd(unsigned value) {
  return static_cast<std::uint8_t>(value / 10 * 16 + value % 10);
}

// Sync pattern, address and a data subheader, so the image looks like a real raw track.
void write_sector_header(std::uint8_t* sector, std::uint32_t lba) {
  std::memset(sector, 0xFF, 12);
  sector[0] = sector[11] = 0;
  const std::uint32_t address = lba + 150;
  sector[12] = bcd(address / 75 / 60);
  sector[13] = bcd(address / 75 % 60);
  sector[14] = bcd(address % 75);
  sector[15] = 2;
  const std::uint8_t subheader[4] = {0, 0, 0x08, 0};
  std::memcpy(sector + 16, subheader, 4);
  std::memcpy(sector + 20, subheader, 4);
}

using Sink = std::function<bool(std::span<const std::uint8_t>)>;

bool generate(const SampleDiscLayout& layout, const Sink& sink) {
  constexpr std::uint32_t kSectorsPerBlock = 448;
  Bytes block(kSectorsPerBlock * kRawSector);
  std::uint32_t in_block = 0;
  auto sector = [&](std::uint32_t lba) {
    std::uint8_t* raw = block.data() + in_block * kRawSector;
    std::memset(raw, 0, kRawSector);
    write_sector_header(raw, lba);
    return raw + 24;
  };
  auto done_sector = [&]() {
    if (++in_block < kSectorsPerBlock) return true;
    in_block = 0;
    return sink(block);
  };

  std::uint32_t lba = 0;
  for (; lba < kFirstFileSector; ++lba) {
    std::uint8_t* user = sector(lba);
    if (lba >= kDirectorySector) {
      std::memcpy(user, layout.directory.data() + (lba - kDirectorySector) * kUserData, kUserData);
    }
    if (!done_sector()) return false;
  }
  for (int f = 0; f < kSampleFileCount; ++f) {
    const SampleFile& file = layout.files[static_cast<std::size_t>(f)];
    FileContent content(layout, f);
    std::uint64_t left = content.size();
    for (std::uint32_t s = 0; s < file.sectors; ++s, ++lba) {
      std::uint8_t* user = sector(lba);
      const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(left, kUserData));
      content.next(user, take);
      std::memset(user + take, kSlackFill, kUserData - take);
      left -= take;
      if (!done_sector()) return false;
    }
  }
  return in_block == 0 || sink(std::span(block).first(in_block * kRawSector));
}

}  // namespace

Bytes sample_room_script(int room, std::uint64_t seed) {
  Random random = random_for(seed, 5, static_cast<std::uint64_t>(room));
  const std::size_t blocks = room == 0 ? 1 : random.in(2, 9);
  std::vector<Bytes> texts;
  for (std::size_t b = 0; b < blocks; ++b) texts.push_back(dialogue(random));

  Bytes script;
  std::size_t offset = 8 * (blocks + 1);
  for (std::size_t record = 0; record <= blocks; ++record) {
    script.push_back(static_cast<std::uint8_t>(offset));
    script.push_back(static_cast<std::uint8_t>(offset >> 8));
    for (int p = 0; p < 6; ++p) script.push_back(random.byte());
    if (record < blocks) offset += texts[record].size();
  }
  for (const Bytes& text : texts) script.insert(script.end(), text.begin(), text.end());
  return script;
}

Bytes sample_room_file(int file_number, std::uint64_t seed) {
  const int room = (file_number - kFirstRoomFile) / 3;
  switch ((file_number - kFirstRoomFile) % 3) {
    case 0:
      return code_archive(room, seed);
    case 1:
      return middle_file(room, seed);
    default:
      return gfx_archive(room, seed);
  }
}

SampleDiscLayout plan_sample_disc(const SampleDiscOptions& options) {
  SampleDiscLayout layout;
  layout.options = options;
  layout.files.resize(kSampleFileCount);

  // Sizes: room files as their content needs, every other file one to three sectors with a
  // slack that runs through all values 0 to 255.
  std::vector<std::uint32_t> extra_weight(kSampleFileCount, 0);
  for (int f = 0; f < kSampleFileCount; ++f) {
    SampleFile& file = layout.files[static_cast<std::size_t>(f)];
    const bool room_file = f >= kFirstRoomFile && f < kFirstRoomFile + 3 * kRoomCount;
    if (f == kEmptyFile) continue;
    if (room_file) {
      const std::size_t size = sample_room_file(f, options.seed).size();
      file.sectors = static_cast<std::uint32_t>((size + kUserData - 1) / kUserData);
      file.slack_units = static_cast<std::uint8_t>((file.sectors * kUserData - size) / 8);
      if ((f - kFirstRoomFile) % 3 == 1) extra_weight[static_cast<std::size_t>(f)] = 20;
    } else {
      file.sectors = 1 + static_cast<std::uint32_t>(f % 3);
      file.slack_units = static_cast<std::uint8_t>(f % 256);
      extra_weight[static_cast<std::size_t>(f)] = f >= 5598 ? 3000 : 40;
    }
  }

  std::uint32_t used = kFirstFileSector;
  for (const SampleFile& file : layout.files) used += file.sectors;
  if (options.full) {
    // Spread the rest of a full disc over the files, most of it to the videos at the end; the
    // last file takes what rounding leaves, so it ends exactly at the last sector.
    const std::uint32_t total = static_cast<std::uint32_t>(kFullImageSize / kRawSector);
    const std::uint64_t spare = total - used;
    std::uint64_t weights = 0;
    for (std::uint32_t w : extra_weight) weights += w;
    std::uint64_t given = 0;
    for (int f = 0; f < kSampleFileCount; ++f) {
      const std::uint64_t extra = spare * extra_weight[static_cast<std::size_t>(f)] / weights;
      layout.files[static_cast<std::size_t>(f)].sectors += static_cast<std::uint32_t>(extra);
      given += extra;
    }
    layout.files.back().sectors += static_cast<std::uint32_t>(spare - given);
    used = total;
  }
  layout.sector_count = used;

  std::uint32_t next = kFirstFileSector;
  for (SampleFile& file : layout.files) {
    file.start = next;
    next += file.sectors;
  }

  // The directory: every file's entry, the end entry, and entries the reader must skip.
  Bytes& dir = layout.directory;
  auto entry = [&](std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
    dir.insert(dir.end(), {b0, b1, b2, b3});
  };
  auto file_entry = [&](std::uint32_t lba, std::uint8_t slack) {
    entry(static_cast<std::uint8_t>(lba), static_cast<std::uint8_t>(lba >> 8),
          static_cast<std::uint8_t>(lba >> 16), slack);
  };
  entry(0x00, 0x00, 0x4F, 0x00);
  for (int f = 0; f < kSampleFileCount; ++f) {
    if (f == kFirstRoomFile) entry(0x12, 0x34, 0x80, 0x07);
    if (f == 3000) entry(0xFF, 0xFF, 0xFF, 0xFF);
    const SampleFile& file = layout.files[static_cast<std::size_t>(f)];
    file_entry(file.start, file.slack_units);
  }
  file_entry(layout.sector_count, 0);
  entry(0x00, 0x00, 0x4F, 0xFF);
  dir.resize(kDirectoryEntries * 4, 0xFF);
  return layout;
}

Bytes sample_file_content(const SampleDiscLayout& layout, int file_number) {
  FileContent content(layout, file_number);
  Bytes bytes(static_cast<std::size_t>(content.size()));
  content.next(bytes.data(), bytes.size());
  return bytes;
}

Bytes make_sample_disc(const SampleDiscOptions& options) {
  Bytes image;
  generate(plan_sample_disc(options), [&](std::span<const std::uint8_t> bytes) {
    image.insert(image.end(), bytes.begin(), bytes.end());
    return true;
  });
  return image;
}

bool write_sample_disc(const std::filesystem::path& path, const SampleDiscOptions& options) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(std::fopen(path.c_str(), "wb"), std::fclose);
  if (!out) return false;
  const bool ok = generate(plan_sample_disc(options), [&](std::span<const std::uint8_t> bytes) {
    return std::fwrite(bytes.data(), 1, bytes.size(), out.get()) == bytes.size();
  });
  return std::fclose(out.release()) == 0 && ok;
}

}  // namespace qv::tools
