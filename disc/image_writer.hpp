#pragma once
// The one place where an image is written: a copy of the original with some raw sectors
// replaced.
#include <filesystem>
#include <optional>
#include <span>
#include <string>

#include "disc/sector_writer.hpp"

namespace qv::disc {

// Writes `output` as a copy of `original` with every patch's sector replaced. The copy is made
// beside `output` first and takes its name only when complete, so a failure leaves no
// half-written image (and an older `output` as it was). Refuses an `output` that is the
// original itself. Returns nothing on success, else a short English reason.
std::optional<std::string> write_patched_image(const std::filesystem::path& original,
                                               const std::filesystem::path& output,
                                               std::span<const SectorPatch> patches);

}  // namespace qv::disc
