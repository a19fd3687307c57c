// SPDX-License-Identifier: GPL-3.0-or-later
// Run from the console programs' working directory after scriptpack: compares each repacked
// room's "8script", decompressed in memory, with the "8script.ccs" it was dumped from, and
// prints how many came back identical and how many differ only where the dump text cannot tell
// codes apart. Any other difference is printed with its room, and the status is then 1. Writes
// nothing.
#include <cstdio>
#include <filesystem>
#include <span>

#include "common/files.hpp"
#include "common/paths.hpp"
#include "pack/round_trip.hpp"
#include "script/lzss.hpp"
#include "script/scriptdump.hpp"

namespace fs = std::filesystem;

int main() {
  int repacked = 0, identical = 0, equivalent = 0, different = 0;
  for (int room = 0; room < qv::script::kRoomCount; ++room) {
    const fs::path code_dir = qv::common::room_code_dir(fs::current_path(), room);
    // A room that scriptpack wrote a "script" for was repacked in this run or an earlier one.
    if (!fs::exists(code_dir / "script")) continue;
    const auto original = qv::common::read_file(code_dir / "8script.ccs");
    const auto packed = qv::common::read_file(code_dir / "8script");
    const auto header = packed ? qv::script::read_compressed_header(*packed) : std::nullopt;
    if (!original || !header) {
      std::printf("round trip: room %d: cannot read %s\n", room,
                  original ? "8script" : "8script.ccs");
      ++different;
      continue;
    }
    ++repacked;
    const auto unpacked = qv::script::decompress(
        std::span(*packed).subspan(qv::script::kCompressedHeaderSize), header->size_limit);
    const auto compared = qv::pack::compare_round_trip(*original, unpacked);
    switch (compared.result) {
      case qv::pack::RoundTrip::identical:
        ++identical;
        break;
      case qv::pack::RoundTrip::equivalent:
        ++equivalent;
        break;
      case qv::pack::RoundTrip::different:
        std::printf("round trip: room %d differs: %s\n", room, compared.difference.c_str());
        ++different;
        break;
    }
  }
  std::printf(
      "round trip: %d rooms repacked, %d identical, %d differ only where the dump text cannot "
      "tell codes apart",
      repacked, identical, equivalent);
  if (different > 0) std::printf(", %d lost or changed data", different);
  std::printf("\n");
  return different > 0 ? 1 : 0;
}
