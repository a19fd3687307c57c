// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How a repacked script compares with the script its dump text came from. Dumping and packing
// again cannot give back every byte: a few texts stand for more than one code. This tells a
// round trip that lost nothing from one that changed the game's data.
#include <cstdint>
#include <span>
#include <string>

namespace qv::pack {

enum class RoundTrip {
  identical,   // the same bytes up to each script's closing offset
  equivalent,  // other codes, but every block dumps to the same text and params
  different,
};

struct RoundTripComparison {
  RoundTrip result;
  std::string difference;  // for `different`: the first dump line that differs, both ways
};

// Compares `repacked` (what the packer built from the dump text of `original`) with
// `original`, each up to its own closing record's offset, or to its end when its record table
// cannot be read. The closing offset itself may differ between equivalent scripts, since other
// codes can take other lengths. Reads nothing outside the two spans.
RoundTripComparison compare_round_trip(std::span<const std::uint8_t> original,
                                       std::span<const std::uint8_t> repacked);

}  // namespace qv::pack
