// SPDX-License-Identifier: GPL-3.0-or-later
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

#include "disc/sector_writer.hpp"
#include "pack/compressor.hpp"
#include "rooms/archive.hpp"
#include "script/dump.hpp"
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

// A room archive: part count, N + 1 offsets, the parts back to back with `slack` around them.
// The archive is a whole number of 8-byte units, as every file on the disc is: the bytes after
// the last part grow to that, or, where there are none, the last part does.
Bytes room_archive(std::vector<Bytes> parts, Random& random, rooms::ArchiveSlack slack = {}) {
  std::size_t total =
      4 + 4 * (parts.size() + 1) + slack.after_table.size() + slack.after_last_part.size();
  for (const Bytes& part : parts) total += part.size();
  const Bytes padding = random.bytes((8 - total % 8) % 8);
  Bytes& grows = slack.after_last_part.empty() ? parts.back() : slack.after_last_part;
  grows.insert(grows.end(), padding.begin(), padding.end());
  return rooms::build_room_archive(parts, slack);
}

// Some of the game's code archives leave a gap behind the offset table, and some hold bytes
// after their last part.
rooms::ArchiveSlack code_archive_slack(int room, Random& random) {
  rooms::ArchiveSlack slack;
  if (room % 7 == 3) slack.after_table = random.bytes(4 * random.in(1, 10));
  if (room % 5 == 2) slack.after_last_part = random.bytes(random.in(1, 40));
  return slack;
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
  rooms::ArchiveSlack slack = code_archive_slack(room, random);
  return room_archive(std::move(parts), random, std::move(slack));
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

// Made-up sentences. No word is a character name and no word holds a capital after its first
// letter, so the packer never reads plain letters back as a name code.
constexpr std::string_view kSentences[] = {
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
    "My na\xEFve cousin still believes in the lake spirit",
    "A d\xE9j\xE0 vu, as if we stood here once before",
    "The cr\xEApe stall opens at noon",
    "Keep your voice down, the guards are near",
    "Is that the bell of the chapel",
    "Our boat leaks, but it floats",
    "Fetch water from the well and wash the cart",
    "Jump over the fence when the dog sleeps",
    "Six lanterns, eight ropes and one brave fool",
    "The ma\xF1"
    "ana market smells of pepper and smoke",
};
constexpr std::string_view kEndings[] = {".", "!", "?", "...", ", right?", " - or so they say."};

void append_text(Bytes& out, std::string_view text) {
  for (const char c : text) {
    const auto code = script::character_code(static_cast<unsigned char>(c));
    if (code.encoding == script::CharacterEncoding::code) out.push_back(code.code);
  }
}

void append_code(Bytes& out, std::uint8_t code, std::uint8_t argument) {
  out.push_back(code);
  out.push_back(argument);
}

bool one_in(Random& random, std::uint32_t n) {
  return random.in(1, n) == 1;
}

// Names 0..43 are the distinct names; 44..48 repeat the last one.
std::uint8_t character_index(Random& random) {
  return static_cast<std::uint8_t>(random.in(0, 43));
}

// A display tag of the game's text code (codes below 0x20 other than the structural ones:
// close, line break, new window, auto close, name and accent token).
struct ControlTag {
  std::uint8_t code;
  bool has_argument;
  std::uint8_t lowest, highest;  // the argument's range
  std::uint32_t weight;
};
constexpr ControlTag kControlTags[] = {
    {0x04, true, 1, 60, 30},    // delay
    {0x05, true, 1, 8, 8},      // speed
    {0x05, true, 255, 255, 4},  // auto accent
    {0x0B, true, 0, 99, 4},     // value
    {0x10, true, 0, 3, 3},      // choose
    {0x15, true, 0, 0, 3},      // name ?
    {0x15, true, 1, 9, 1},     {0x16, true, 0, 255, 1}, {0x17, true, 0, 255, 1},
    {0x18, true, 0, 7, 3},                                                      // member
    {0x19, true, 0, 120, 3},                                                    // object
    {0x1B, true, 0, 15, 3},                                                     // button
    {0x1C, true, 0, 0, 4},                                                      // upper case
    {0x1C, true, 1, 1, 2},     {0x1C, true, 2, 9, 1},   {0x1E, true, 0, 0, 3},  // name suffix
    {0x1E, true, 1, 9, 1},     {0x03, false, 0, 0, 1},  {0x07, false, 0, 0, 1},
    {0x09, false, 0, 0, 1},    {0x0A, false, 0, 0, 1},  {0x0C, false, 0, 0, 1},
    {0x0D, false, 0, 0, 1},    {0x0F, false, 0, 0, 1},  {0x11, false, 0, 0, 1},
    {0x13, false, 0, 0, 1},    {0x14, false, 0, 0, 1},  {0x1A, false, 0, 0, 1},
    {0x1D, false, 0, 0, 1},    {0x1F, false, 0, 0, 1},
};

void append_control_tag(Bytes& out, Random& random) {
  std::uint32_t total = 0;
  for (const ControlTag& tag : kControlTags) total += tag.weight;
  std::uint32_t pick = random.in(1, total);
  for (const ControlTag& tag : kControlTags) {
    if (pick <= tag.weight) {
      out.push_back(tag.code);
      if (tag.has_argument)
        out.push_back(static_cast<std::uint8_t>(random.in(tag.lowest, tag.highest)));
      return;
    }
    pick -= tag.weight;
  }
}

// Codes the game uses without our knowing what for: 0x76..0x8B (bar the two quotation marks
// 0x7E and 0x7F) and, more rarely, the chunk codes 0xA4..0xFF (bar the comma 0xDB).
void append_unknown_code(Bytes& out, Random& random) {
  if (one_in(random, 4)) {
    std::uint8_t code = 0xDB;
    while (code == 0xDB) code = static_cast<std::uint8_t>(random.in(0xA4, 0xFF));
    out.push_back(code);
  } else {
    std::uint8_t code = 0x7E;
    while (code == 0x7E || code == 0x7F) code = static_cast<std::uint8_t>(random.in(0x76, 0x8B));
    out.push_back(code);
  }
}

// Accent tokens stand for a bit of text that depends on the speaker. Index 43 is left out: the
// packer writes its text back as 44.
std::uint8_t accent_index(Random& random) {
  std::uint8_t index = 43;
  while (index == 43) index = static_cast<std::uint8_t>(random.in(1, 48));
  return index;
}

// The codes that only the decoder knows a text for: "<'>", "<.>" and the token of index 0.
void append_decoder_only_text(Bytes& out, Random& random) {
  switch (random.in(0, 2)) {
    case 0:
      out.push_back(0x68);
      break;
    case 1:
      out.push_back(0x72);
      break;
    default:
      append_code(out, script::kTokenCode, 0);
  }
}

// Bits of a sentence between its words: tokens, decoder-only texts, unknown codes.
void append_between_words(Bytes& out, Random& random) {
  const std::uint32_t roll = random.in(1, 100);
  if (roll <= 45) {
    append_code(out, script::kTokenCode, accent_index(random));
  } else if (roll <= 60) {
    append_decoder_only_text(out, random);
  } else if (roll <= 85) {
    append_control_tag(out, random);
  } else {
    append_unknown_code(out, random);
  }
}

// One sentence: the words with, now and then, a code between two of them, a pause after the
// comma or a coloured stretch.
void append_sentence(Bytes& out, Random& random) {
  const std::string_view sentence = kSentences[random.in(0, std::size(kSentences) - 1)];
  const bool coloured = one_in(random, 5);
  if (coloured) append_code(out, 0x0E, static_cast<std::uint8_t>(random.in(1, 7)));
  std::size_t from = 0;
  while (from < sentence.size()) {
    std::size_t to = sentence.find(' ', from);
    to = to == std::string_view::npos ? sentence.size() : to + 1;
    const std::string_view word = sentence.substr(from, to - from);
    append_text(out, word);
    if (word.ends_with(", ") && one_in(random, 2)) {
      append_code(out, 0x04, static_cast<std::uint8_t>(random.in(1, 60)));
    } else if (word.ends_with(' ') && one_in(random, 14)) {
      append_between_words(out, random);
    }
    from = to;
  }
  if (coloured) append_code(out, 0x0E, 0);
  append_text(out, kEndings[random.in(0, std::size(kEndings) - 1)]);
}

// One line of a window: a speaker now and then, a display tag at its start now and then.
void append_line(Bytes& out, Random& random) {
  if (one_in(random, 6)) append_control_tag(out, random);
  if (one_in(random, 3)) {
    out.push_back(script::kNameCode);
    out.push_back(character_index(random));
    append_text(out, ": ");
  }
  const bool quoted = one_in(random, 25);  // a quotation in the game's own marks
  if (quoted) out.push_back(0x7E);
  append_sentence(out, random);
  if (quoted) out.push_back(0x7F);
  if (one_in(random, 30)) {
    append_text(out, " Ask ");
    out.push_back(script::kNameCode);
    out.push_back(character_index(random));
    append_text(out, ".");
  }
}

void append_auto_close(Bytes& out, Random& random) {
  append_code(out, script::kAutoCloseCode, static_cast<std::uint8_t>(random.in(10, 120)));
  out.push_back(script::kCloseCode);
}

// How one message window hands over to the next.
void append_window_break(Bytes& out, Random& random) {
  const std::uint32_t roll = random.in(1, 10);
  if (roll <= 7) {
    out.push_back(script::kLineBreakCode);
    out.push_back(0x02);
  } else if (roll <= 9) {
    out.push_back(0x02);
    out.push_back(script::kLineBreakCode);
  } else {
    append_auto_close(out, random);
    out.push_back(script::kLineBreakCode);
    out.push_back(0x02);
  }
}

// Most dialogues fit one to three windows; a few run long. A brief dialogue has one.
int window_count(Random& random, bool brief) {
  if (brief) return 1;
  if (one_in(random, 25)) return static_cast<int>(random.in(5, 8));
  return static_cast<int>(random.in(1, 3));
}

enum class BlockEnding {
  close,
  auto_close,
  line_break,
  auto_close_line_break,
  name,
  letters,
  empty
};

// The game's blocks mostly end with the close code and no line break after it.
BlockEnding block_ending(Random& random) {
  const std::uint32_t roll = random.in(1, 100);
  if (roll <= 66) return BlockEnding::close;
  if (roll <= 73) return BlockEnding::auto_close;
  if (roll <= 91) return BlockEnding::line_break;
  if (roll <= 93) return BlockEnding::auto_close_line_break;
  if (roll <= 95) return BlockEnding::name;
  if (roll <= 98) return BlockEnding::letters;
  return BlockEnding::empty;
}

// One dialogue: windows of one to three lines, then its ending.
Bytes dialogue(Random& random, bool brief) {
  const BlockEnding ending = block_ending(random);
  Bytes block;
  if (ending == BlockEnding::empty) return block;
  const int windows = window_count(random, brief);
  for (int window = 0; window < windows; ++window) {
    if (window > 0) append_window_break(block, random);
    const int lines = static_cast<int>(random.in(1, brief ? 2 : 3));
    for (int line = 0; line < lines; ++line) {
      if (line > 0) block.push_back(script::kLineBreakCode);
      append_line(block, random);
      if (one_in(random, 60)) {  // the window closes by itself and the text goes on
        append_auto_close(block, random);
        append_text(block, " ");
        append_sentence(block, random);
      }
    }
  }
  switch (ending) {
    case BlockEnding::close:
      block.push_back(script::kCloseCode);
      break;
    case BlockEnding::auto_close:
      append_auto_close(block, random);
      break;
    case BlockEnding::line_break:
      if (!one_in(random, 3)) block.push_back(script::kCloseCode);
      block.push_back(script::kLineBreakCode);
      break;
    case BlockEnding::auto_close_line_break:
      append_auto_close(block, random);
      block.push_back(script::kLineBreakCode);
      break;
    case BlockEnding::name:
      append_text(block, " ");
      block.push_back(script::kNameCode);
      block.push_back(character_index(random));
      break;
    case BlockEnding::letters:
      append_text(block, " and so on");
      break;
    case BlockEnding::empty:
      break;
  }
  return block;
}

// Texts of the game that the dump text cannot carry back byte for byte. They are real, so a
// few rooms hold one each.
enum class Quirk {
  comma_0x24,           // packs as 0xDB
  token_43,             // "<'d>", packs as 44
  late_name,            // names 44..48 pack as 43
  name_then_letters,    // "Tavins" packs letter by letter
  letters_spell_name,   // plain letters that spell a name pack as the name's code
  unknown_character,    // a name index above 48
  token_out_of_range,   // a token index above 48, which the dump loses
  argument_past_end,    // the last block's last code takes the byte after the closing offset
  bytes_after_closing,  // bytes after the closing offset
};
constexpr std::array kQuirks = {
    Quirk::comma_0x24,         Quirk::token_43,           Quirk::late_name,
    Quirk::name_then_letters,  Quirk::letters_spell_name, Quirk::unknown_character,
    Quirk::token_out_of_range, Quirk::argument_past_end,  Quirk::bytes_after_closing};

// A line at the start of a block that holds the text quirk.
Bytes quirk_line(Quirk quirk, Random& random) {
  Bytes line;
  switch (quirk) {
    case Quirk::comma_0x24:
      append_text(line, "Wait");
      line.push_back(0x24);
      append_text(line, " not so fast.");
      break;
    case Quirk::token_43:
      append_text(line, "I");
      append_code(line, script::kTokenCode, 43);
      append_text(line, " rather stay.");
      break;
    case Quirk::late_name:
      append_code(line, script::kNameCode, static_cast<std::uint8_t>(random.in(44, 48)));
      append_text(line, ": Over here!");
      break;
    case Quirk::name_then_letters:
      append_text(line, "All the ");
      append_code(line, script::kNameCode, character_index(random));
      append_text(line, "s came.");
      break;
    case Quirk::letters_spell_name:
      append_text(line, "Say hello to ");
      append_text(line, script::character_name(character_index(random)));
      append_text(line, ".");
      break;
    case Quirk::unknown_character:
      append_code(line, script::kNameCode, static_cast<std::uint8_t>(random.in(49, 255)));
      append_text(line, ": Who am I?");
      break;
    case Quirk::token_out_of_range:
      append_text(line, "Hm");
      append_code(line, script::kTokenCode, static_cast<std::uint8_t>(random.in(49, 255)));
      append_text(line, "...");
      break;
    case Quirk::argument_past_end:
    case Quirk::bytes_after_closing:
      return line;
  }
  line.push_back(script::kLineBreakCode);
  return line;
}

// Roughly one room in sixty holds each quirk.
std::vector<Quirk> room_quirks(Random& random) {
  std::vector<Quirk> quirks;
  for (const Quirk quirk : kQuirks) {
    if (one_in(random, 60)) quirks.push_back(quirk);
  }
  return quirks;
}

constexpr std::array<int, 5> kEmptyRooms = {37, 129, 250, 388, 501};
constexpr int kLargestRoom = 271;  // as many blocks as the game's largest rooms

int block_count(int room, Random& random) {
  if (room == 0) return 1;
  if (room == kLargestRoom) return 226;
  return static_cast<int>(random.in(2, 9));
}

// The six params of a block record (bytes 2..7): small numbers of the kinds the game keeps
// there, which seldom repeat one another.
std::array<std::uint8_t, 6> block_params(Random& random) {
  return {
      static_cast<std::uint8_t>(random.in(0, 40)),  static_cast<std::uint8_t>(random.in(0, 200)),
      static_cast<std::uint8_t>(random.in(8, 255)), static_cast<std::uint8_t>(random.in(1, 120)),
      static_cast<std::uint8_t>(random.in(0, 3)),   random.byte()};
}

void put_record(Bytes& script, std::size_t offset, const std::array<std::uint8_t, 6>& params) {
  script.push_back(static_cast<std::uint8_t>(offset));
  script.push_back(static_cast<std::uint8_t>(offset >> 8));
  script.insert(script.end(), params.begin(), params.end());
}

// An empty room's script: the closing record alone and a few bytes after it, under the 51
// bytes from which a script is dumped.
Bytes empty_room_script(Random& random) {
  Bytes script;
  put_record(script, script::kRecordSize, {});
  const Bytes rest = random.bytes(random.in(2, 24));
  script.insert(script.end(), rest.begin(), rest.end());
  return script;
}

bool has(const std::vector<Quirk>& quirks, Quirk quirk) {
  return std::find(quirks.begin(), quirks.end(), quirk) != quirks.end();
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

// Sync, address, a data subheader, EDC and ECC around the user data already in `sector`, so
// the image is a valid raw track of Mode 2 Form 1 sectors, as the disc's own are.
void write_sector_header(std::uint8_t* sector, std::uint32_t lba) {
  static constexpr std::uint8_t kSubheader[disc::kSubheaderSize] = {0, 0, 0x08, 0};
  const disc::RawSector raw = disc::make_form1_sector(
      lba, kSubheader, std::span<const std::uint8_t, kUserData>(sector + 24, kUserData));
  std::memcpy(sector, raw.data(), raw.size());
}

using Sink = std::function<bool(std::span<const std::uint8_t>)>;

bool generate(const SampleDiscLayout& layout, const Sink& sink) {
  constexpr std::uint32_t kSectorsPerBlock = 448;
  Bytes block(kSectorsPerBlock * kRawSector);
  std::uint32_t in_block = 0;
  std::uint32_t current = 0;
  auto sector = [&](std::uint32_t lba) {
    std::uint8_t* raw = block.data() + in_block * kRawSector;
    std::memset(raw, 0, kRawSector);
    current = lba;
    return raw + 24;
  };
  auto done_sector = [&]() {
    write_sector_header(block.data() + in_block * kRawSector, current);
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
  if (std::find(kEmptyRooms.begin(), kEmptyRooms.end(), room) != kEmptyRooms.end()) {
    return empty_room_script(random);
  }
  const std::vector<Quirk> quirks = room_quirks(random);
  const int blocks = block_count(room, random);
  std::vector<Bytes> texts;
  for (int b = 0; b < blocks; ++b) texts.push_back(dialogue(random, room == kLargestRoom));
  for (const Quirk quirk : quirks) {
    const Bytes line = quirk_line(quirk, random);
    Bytes& text = texts[random.in(0, static_cast<std::uint32_t>(blocks) - 1)];
    text.insert(text.begin(), line.begin(), line.end());
  }
  Bytes after_closing;
  if (has(quirks, Quirk::argument_past_end)) {
    texts.back().push_back(0x04);  // its delay lies behind the closing offset
    after_closing.push_back(static_cast<std::uint8_t>(random.in(1, 60)));
  }
  if (has(quirks, Quirk::bytes_after_closing)) {
    const Bytes rest = random.bytes(random.in(1, 16));
    after_closing.insert(after_closing.end(), rest.begin(), rest.end());
  }

  Bytes script;
  std::size_t offset = script::kRecordSize * (texts.size() + 1);
  for (const Bytes& text : texts) {
    put_record(script, offset, block_params(random));
    offset += text.size();
  }
  put_record(script, offset, block_params(random));
  for (const Bytes& text : texts) script.insert(script.end(), text.begin(), text.end());
  script.insert(script.end(), after_closing.begin(), after_closing.end());
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
