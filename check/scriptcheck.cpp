// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/scriptcheck.hpp"

#include <optional>
#include <vector>

#include "check/checks.hpp"
#include "common/files.hpp"
#include "common/paths.hpp"
#include "script/dump.hpp"
#include "script/scriptdump.hpp"

namespace qv::check {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kUsage =
    "usage: scriptcheck [FILE... | FILE --source SOURCE]\n"
    "  With no FILE, checks every room's ../rooms/disk1/R/code/outscript.txt against the\n"
    "  room's 8script.ccs.\n";

struct Totals {
  int rooms = 0;
  int dialogues = 0;
  int translated = 0;
  bool compared = false;
  int errors = 0;
  int warnings = 0;
};

void report_file(std::string_view shown_path, std::string_view text,
                 std::optional<std::string_view> source, std::ostream& out, Totals& totals) {
  const Report report = check_dump_text(text, source);
  for (const Diagnostic& diagnostic : report.diagnostics) {
    out << format_diagnostic(shown_path, diagnostic) << '\n';
  }
  ++totals.rooms;
  totals.dialogues += report.dialogues;
  totals.translated += report.translated;
  totals.compared = totals.compared || report.compared;
  totals.errors += report.errors();
  totals.warnings += report.warnings();
}

// The source dump of a room, from its decompressed script, when there is one.
std::optional<std::string> source_dump(const fs::path& code_dir, int room) {
  const auto script = common::read_file(code_dir / "8script.ccs");
  if (!script) return std::nullopt;
  return script::dump_room(*script, room).text;
}

void print_summary(const Totals& totals, std::ostream& out) {
  out << "scriptcheck: " << totals.rooms << " rooms, " << totals.dialogues << " dialogues, ";
  if (totals.compared) out << totals.translated << " translated, ";
  out << totals.errors << " errors, " << totals.warnings << " warnings\n";
}

}  // namespace

int run_scriptcheck(std::span<const std::string> args, const fs::path& work_dir, std::ostream& out,
                    std::ostream& errors) {
  std::vector<std::string> files;
  std::optional<std::string> source_path;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--source") {
      if (i + 1 >= args.size() || source_path) {
        errors << kUsage;
        return 2;
      }
      source_path = args[++i];
    } else if (args[i].starts_with("--") || args[i].empty()) {
      errors << "scriptcheck: unknown option " << args[i] << '\n' << kUsage;
      return 2;
    } else {
      files.push_back(args[i]);
    }
  }
  if (source_path && files.size() != 1) {
    errors << "scriptcheck: --source needs exactly one FILE\n" << kUsage;
    return 2;
  }

  Totals totals;
  bool unreadable = false;
  if (files.empty()) {
    for (int room = 0; room < script::kRoomCount; ++room) {
      const fs::path code_dir = common::resolve_path(
          work_dir / common::format_path("..//rooms//disk1//%d//code//", room));
      const fs::path dump_path = code_dir / "outscript.txt";
      std::error_code error;
      if (!fs::exists(dump_path, error)) continue;
      const std::string shown = common::shown_beside(work_dir, dump_path);
      const auto text = common::read_text_file(dump_path);
      if (!text) {
        errors << "scriptcheck: cannot read " << shown << '\n';
        unreadable = true;
        continue;
      }
      const auto source = source_dump(code_dir, room);
      report_file(shown, *text, source ? std::optional<std::string_view>(*source) : std::nullopt,
                  out, totals);
    }
  } else {
    std::optional<std::string> source;
    if (source_path) {
      source = common::read_text_file(work_dir / *source_path);
      if (!source) {
        errors << "scriptcheck: cannot read " << *source_path << '\n';
        return 2;
      }
    }
    for (const std::string& file : files) {
      const auto text = common::read_text_file(work_dir / file);
      if (!text) {
        errors << "scriptcheck: cannot read " << file << '\n';
        unreadable = true;
        continue;
      }
      report_file(file, *text, source ? std::optional<std::string_view>(*source) : std::nullopt,
                  out, totals);
    }
  }
  print_summary(totals, out);
  if (unreadable) return 2;
  return totals.errors > 0 ? 1 : 0;
}

}  // namespace qv::check
