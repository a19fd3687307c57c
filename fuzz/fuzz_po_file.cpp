// SPDX-License-Identifier: GPL-3.0-or-later
// A PO file as a team's tools may leave it, read through gettext's library and our line finder.
// An entry's line lies inside the file, and the entries of a file that reads without problems
// come back the same after our writer has written them again.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/check.hpp"
#include "po/po_file.hpp"
#include "po/po_room.hpp"

namespace {

namespace fs = std::filesystem;

fs::path input_path() {
  static const fs::path path = [] {
    std::error_code error;
    const fs::path folder =
        fs::is_directory("/dev/shm", error) ? fs::path("/dev/shm") : fs::temp_directory_path();
    return folder / ("qv_fuzz_po_" + std::to_string(::getpid()) + ".po");
  }();
  return path;
}

// Text as our export writes it: UTF-8 without control characters but the line feed. gettext's
// writer stops the process on some other bytes, and export never hands it any.
bool exportable(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    std::size_t length = c < 0x80           ? 1
                         : (c >> 5) == 0x6  ? 2
                         : (c >> 4) == 0xE  ? 3
                         : (c >> 3) == 0x1E ? 4
                                            : 0;
    if (length == 0 || i + length > text.size()) return false;
    if (length == 1 && c < 0x20 && c != '\n') return false;
    if (c == 0x7F || c == 0xC0 || c == 0xC1 || c >= 0xF5) return false;
    if (length > 1) {
      // No overlong forms, no surrogates, nothing past U+10FFFF.
      const auto next = static_cast<unsigned char>(text[i + 1]);
      if ((c == 0xE0 && next < 0xA0) || (c == 0xED && next >= 0xA0) || (c == 0xF0 && next < 0x90) ||
          (c == 0xF4 && next >= 0x90)) {
        return false;
      }
    }
    for (std::size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) >> 6) != 0x2) return false;
    }
    i += length;
  }
  return true;
}

bool same_entries(const std::vector<qv::po::PoEntry>& a, const std::vector<qv::po::PoEntry>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].context != b[i].context || a[i].id != b[i].id || a[i].str != b[i].str ||
        a[i].comment != b[i].comment || a[i].fuzzy != b[i].fuzzy) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fs::path path = input_path();
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  const qv::po::ReadPo read = qv::po::read_po(path);
  std::size_t lines = 1;
  for (std::size_t i = 0; i < size; ++i) lines += data[i] == '\n';
  for (const auto& entry : read.entries) {
    QV_FUZZ_CHECK(entry.line <= lines, "an entry's line lies past the file");
  }
  for (const auto& problem : read.problems) {
    QV_FUZZ_CHECK(problem.line <= lines, "a problem's line lies past the file");
  }
  // What export writes: every entry names its own dialogue, in text export can hold. A NUL byte
  // in the file makes gettext's reader drop part of a line, so such a file is only read.
  bool rewritable = read.opened && read.problems.empty() && !read.entries.empty() &&
                    std::find(data, data + size, 0) == data + size;
  std::set<std::string> contexts;
  for (const auto& entry : read.entries) {
    rewritable = rewritable && qv::po::parse_context(entry.context) &&
                 contexts.insert(entry.context).second && exportable(entry.id) &&
                 exportable(entry.str) && exportable(entry.comment) && exportable(entry.extracted);
  }
  if (rewritable) {
    const auto written =
        qv::po::write_po("Content-Type: text/plain; charset=UTF-8\n", read.entries);
    if (written) {
      std::ofstream(path, std::ios::binary | std::ios::trunc) << *written;
      const qv::po::ReadPo again = qv::po::read_po(path);
      QV_FUZZ_CHECK(again.problems.empty(), "our own PO file does not read back");
      QV_FUZZ_CHECK(same_entries(read.entries, again.entries), "entries change on a rewrite");
    }
  }
  std::error_code error;
  fs::remove(path, error);
  return 0;
}
