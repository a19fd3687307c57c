// SPDX-License-Identifier: GPL-3.0-or-later
// The merge of PO entries into a room's files, fed with untrusted entries and dump texts.
// The input is split at NUL bytes: a source dump, a comments file, then entries of four fields
// (msgctxt, msgid, msgstr, comment). A source that cannot be read falls back to the worked example
// of room 5, so most runs reach the merge. A merge that succeeds must give a translation that reads
// back as the same room with the same dialogues count.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "po/po_room.hpp"
#include "tests/support/worked_examples.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string_view> parts;
  for (std::size_t start = 0;;) {
    const std::size_t end = input.find('\0', start);
    parts.push_back(
        input.substr(start, end == std::string_view::npos ? input.size() - start : end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  auto read = qv::po::read_source_dump(parts[0]);
  if (!std::holds_alternative<qv::po::RoomDialogues>(read))
    read = qv::po::read_source_dump(qv::test::kRoomFiveDump);
  const auto& source = std::get<qv::po::RoomDialogues>(read);

  std::vector<qv::po::PoEntry> entries;
  for (std::size_t i = 2; i + 3 < parts.size() + 1 && i + 2 < parts.size(); i += 4) {
    qv::po::PoEntry entry;
    entry.context = std::string(parts[i]);
    entry.id = std::string(parts[i + 1]);
    entry.str = std::string(parts[i + 2]);
    if (i + 3 < parts.size()) entry.comment = std::string(parts[i + 3]);
    entry.fuzzy = !entry.context.empty() && (entry.context.back() & 1);
    entry.line = i;
    entries.push_back(std::move(entry));
  }
  // Known contexts and source texts, so the fuzzer need not guess them to reach the msgstr.
  if (!entries.empty() && !source.dialogues.empty()) {
    const auto exported = qv::po::export_room(source, nullptr, {});
    if (const auto* result = std::get_if<qv::po::Export>(&exported);
        result && !result->entries.empty()) {
      qv::po::PoEntry& first = entries.front();
      const qv::po::PoEntry& known = result->entries[first.line % result->entries.size()];
      if (first.context.empty()) first.context = known.context;
      if (first.id.empty()) first.id = known.id;
    }
  }

  const std::optional<std::string_view> comments =
      parts.size() > 1 ? std::optional<std::string_view>(parts[1]) : std::nullopt;
  const auto merged = qv::po::merge_room(entries, source, nullptr, comments);
  if (const auto* result = std::get_if<qv::po::Merged>(&merged)) {
    const auto again = qv::po::read_translation(result->translation, source);
    const auto* reread = std::get_if<qv::po::RoomDialogues>(&again);
    if (!reread || reread->dialogues.size() != source.dialogues.size()) std::abort();
    // A merge over the merged files changes nothing more.
    const auto twice = qv::po::merge_room(entries, source, reread, result->comments);
    const auto* second = std::get_if<qv::po::Merged>(&twice);
    if (!second || second->translation != result->translation) std::abort();
  }
  return 0;
}
