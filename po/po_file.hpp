// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// PO files through gettext's own library: the entries of one room written as a PO file, and the
// entries of a PO file read back with the library's diagnostics (file and line).
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "po/po_room.hpp"

namespace qv::po {

// The bytes of a PO file holding `header` (the msgstr of the header entry) and `entries`, as
// gettext's writer lays them out. The writer only writes to a named file, so the bytes pass
// through a scratch file in the system's temporary folder, which is removed. Nothing when the
// scratch file cannot be written.
std::optional<std::string> write_po(const std::string& header, const std::vector<PoEntry>& entries);

struct ReadPo {
  bool opened = false;            // false: the file could not be opened
  std::vector<PoEntry> entries;   // every entry but the header and obsolete ones, in order
  std::vector<Problem> problems;  // the library's errors, and a charset other than UTF-8
  std::vector<Problem> warnings;  // the library's warnings
};

// Reads a PO file with gettext's reader. Each entry's `line` is the line of its first keyword
// (msgctxt, or msgid), found beside the library, whose public interface keeps no line numbers.
ReadPo read_po(const std::filesystem::path& path);

}  // namespace qv::po
