// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Cutting one file out of the image: the user data of its sectors, the last one cut short by
// its slack, streamed through fixed buffers.
#include <cstdint>
#include <functional>
#include <span>

#include "disc/file_index.hpp"
#include "disc/image.hpp"

namespace qv::disc {

// Takes the next bytes of the file; false when they could not be written.
using ByteSink = std::function<bool(std::span<const std::uint8_t>)>;

struct ExtractResult {
  std::uint64_t bytes_written = 0;
  bool image_short = false;   // the image ended before the file did
  bool write_failed = false;  // the sink refused bytes; nothing was offered after that
};

// Hands the bytes of `extent` to `sink` in order, in blocks of up to scratch.size() bytes
// (scratch must hold at least one sector's 2048 bytes). A file whose end is not above its
// start gives no bytes. Only bytes really read from the image are handed on: when the image
// ends inside the file, the file stops there and `image_short` is set. Any extent is accepted
// (start and end anywhere, even past the image); only `scratch` is written, and only the image's
// own bytes are read.
ExtractResult extract_file(SectorReader& reader, const FileExtent& extent,
                           std::span<std::uint8_t> scratch, const ByteSink& sink);

}  // namespace qv::disc
