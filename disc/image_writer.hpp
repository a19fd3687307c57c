// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one place where an image is written: a plan (see image_plan.hpp) put into a new file and
// read back before it takes its name.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "disc/image_plan.hpp"

namespace qv::disc {

// Called with the scratch file once it is written and closed, before it is read back; the tests
// damage it there to see the check fail.
using BeforeVerify = std::function<void(const std::filesystem::path& scratch)>;

// Writes `plan` over the image `original` into `output`. Original sectors at their place are
// copied byte for byte; moved ones get only their header address changed; the planned files'
// sectors and the changed directory sectors are built afresh with EDC and ECC. The new image is
// written to the scratch file "<output>.partial" beside `output`, created afresh (one left by a
// killed run is removed first), and read back with the disc reader: its size,
// its directory, every planned file as discunpack cuts it, the EDC and ECC of every written
// sector and the address of every sector from the first moved one on. Only then is it renamed
// to `output`; on any failure it is removed and an older `output` is left as it was. Never
// writes to `original`. Returns nothing on success, else a short English reason that names the
// file.
std::optional<std::string> write_planned_image(const std::filesystem::path& original,
                                               const std::filesystem::path& output,
                                               const ImagePlan& plan,
                                               const BeforeVerify& before_verify = {});

}  // namespace qv::disc
