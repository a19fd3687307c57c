// SPDX-License-Identifier: GPL-3.0-or-later
#include "disc/extract.hpp"

#include <algorithm>

namespace qv::disc {

ExtractResult extract_file(SectorReader& reader, const FileExtent& extent,
                           std::span<std::uint8_t> scratch, const ByteSink& sink) {
  ExtractResult result;
  const std::size_t per_read = std::min(reader.chunk_sectors(), scratch.size() / kUserDataSize);
  std::uint64_t sector = extent.start;
  std::uint64_t remaining = extent.sector_count();
  while (remaining > 0 && per_read > 0) {
    const std::size_t count =
        static_cast<std::size_t>(std::min<std::uint64_t>(remaining, per_read));
    const std::size_t got = reader.read_user_data(sector, count, scratch);
    std::size_t wanted = count * kUserDataSize;
    if (count == remaining) wanted -= 8u * extent.slack_units;
    const std::size_t take = std::min(got, wanted);
    if (take > 0) {
      if (!sink(scratch.first(take))) {
        result.write_failed = true;
        return result;
      }
      result.bytes_written += take;
    }
    if (got < wanted) {
      result.image_short = true;
      return result;
    }
    sector += count;
    remaining -= count;
  }
  return result;
}

}  // namespace qv::disc
