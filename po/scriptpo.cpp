// SPDX-License-Identifier: GPL-3.0-or-later
#include "po/scriptpo.hpp"

#include <cstdio>
#include <optional>
#include <string_view>
#include <system_error>
#include <vector>

#include "check/checks.hpp"
#include "common/files.hpp"
#include "common/paths.hpp"
#include "dialogue/dump_text.hpp"
#include "po/po_file.hpp"
#include "po/po_room.hpp"
#include "script/dump.hpp"
#include "script/scriptdump.hpp"

namespace qv::po {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kUsage =
    "usage: scriptpo export [--translations DIR] [--out PODIR]\n"
    "       scriptpo import PO... [--translations DIR]\n"
    "       scriptpo place [--translations DIR]\n"
    "  DIR holds the editor's \"Scripts Modificados\" and \"Comentarios\" (default: the current\n"
    "  directory); PODIR defaults to ../po.\n";

constexpr std::string_view kDumpName = "outscript.txt";

struct Options {
  std::string command;
  std::vector<std::string> files;
  std::optional<std::string> translations;
  std::optional<std::string> out;
};

// What the command line asks for, or the usage error to print.
std::variant<Options, std::string> parse_args(std::span<const std::string> args) {
  if (args.empty()) return std::string();
  Options options;
  options.command = args[0];
  if (options.command != "export" && options.command != "import" && options.command != "place") {
    return "scriptpo: unknown command " + options.command + "\n";
  }
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    std::optional<std::string>* value = arg == "--translations" ? &options.translations
                                        : arg == "--out" && options.command == "export"
                                            ? &options.out
                                            : nullptr;
    if (value) {
      if (i + 1 >= args.size() || *value || args[i + 1].empty()) {
        return "scriptpo: " + arg + " needs one folder\n";
      }
      *value = args[++i];
    } else if (arg.starts_with("--") || arg.empty()) {
      return "scriptpo: unknown option " + arg + "\n";
    } else if (options.command == "import") {
      options.files.push_back(arg);
    } else {
      return "scriptpo: " + options.command + " takes no file: " + arg + "\n";
    }
  }
  if (options.command == "import" && options.files.empty()) {
    return std::string("scriptpo: import needs at least one PO file\n");
  }
  return options;
}

bool file_exists(const fs::path& path) {
  std::error_code error;
  return fs::exists(path, error);
}

std::string located(std::string_view file, std::size_t line) {
  std::string place(file);
  if (line) place += ":" + std::to_string(line);
  return place;
}

void print_problem(std::ostream& out, std::string_view file, const Problem& problem,
                   std::string_view severity = "error") {
  out << located(file, problem.line) << ": " << severity << ": " << problem.message << '\n';
}

// The paths of one run: the tree beside `work_dir`, and the editor's folders below DIR, each
// with the form shown on the console.
class Layout {
 public:
  Layout(const fs::path& work_dir, const std::optional<std::string>& translations)
      : work_dir_(work_dir),
        dir_(translations ? work_dir / *translations : work_dir),
        shown_dir_(translations ? fs::path(*translations) : fs::path()) {}

  fs::path code_dir(int room) const { return common::room_code_dir(work_dir_, room); }
  // A path of the tree as the console shows it, "../rooms/...".
  std::string shown_tree(const fs::path& path) const {
    return common::shown_beside(work_dir_, path);
  }
  fs::path translation(int room) const {
    return editor_path(dir_, dialogue::kModifiedFolder, room);
  }
  fs::path comments(int room) const { return editor_path(dir_, dialogue::kCommentsFolder, room); }
  std::string shown_translation(int room) const {
    return editor_path(shown_dir_, dialogue::kModifiedFolder, room).string();
  }
  std::string shown_comments(int room) const {
    return editor_path(shown_dir_, dialogue::kCommentsFolder, room).string();
  }

 private:
  static fs::path editor_path(const fs::path& dir, std::string_view folder, int room) {
    return dialogue::room_path(dir, folder, room, fs::path(kDumpName));
  }
  fs::path work_dir_;
  fs::path dir_;
  fs::path shown_dir_;
};

// The source of a room, dumped in memory from its "8script.ccs".
struct Source {
  bool readable = false;  // false: the script is missing or cannot be read
  std::string dump;       // empty for a room that gets no dump
  std::string shown;      // the script's path, as the console shows it
};

Source read_source(const Layout& layout, int room) {
  const fs::path path = layout.code_dir(room) / "8script.ccs";
  Source source{false, {}, layout.shown_tree(path)};
  if (!file_exists(path)) return source;
  const auto script = common::read_file(path);
  if (!script) return source;
  source.readable = true;
  if (auto text = script::dump_room(*script, room).text) source.dump = std::move(*text);
  return source;
}

std::string po_name(int room) {
  char name[32];
  std::snprintf(name, sizeof name, "room_%03d.po", room);
  return name;
}

int run_export(const Options& options, const fs::path& work_dir, std::ostream& out,
               std::ostream& errors) {
  const Layout layout(work_dir, options.translations);
  const std::string shown_out = options.out.value_or("../po");
  const fs::path out_dir = work_dir / shown_out;
  std::error_code error;
  fs::create_directories(out_dir, error);
  int rooms = 0, left_out = 0, sources = 0, entries = 0, translated = 0, fuzzy = 0;
  bool unreadable = false;
  for (int room = 0; room < script::kRoomCount; ++room) {
    const Source source = read_source(layout, room);
    if (!source.readable) {
      if (file_exists(layout.code_dir(room) / "8script.ccs")) {
        errors << "scriptpo: cannot read " << source.shown << '\n';
        unreadable = true;
      }
      continue;
    }
    ++sources;
    if (source.dump.empty()) continue;
    const auto dialogues = read_source_dump(source.dump);
    if (const auto* problem = std::get_if<Problem>(&dialogues)) {
      print_problem(out, source.shown, *problem);
      out << "scriptpo: room " << room << " left out\n";
      ++left_out;
      continue;
    }
    const RoomDialogues& source_room = std::get<RoomDialogues>(dialogues);
    std::optional<RoomDialogues> translation;
    std::optional<std::string> comments;
    if (options.translations) {
      const fs::path translation_path = layout.translation(room);
      if (file_exists(translation_path)) {
        const auto text = common::read_text_file(translation_path);
        if (!text) {
          errors << "scriptpo: cannot read " << layout.shown_translation(room) << '\n';
          unreadable = true;
          continue;
        }
        auto read = read_translation(*text, source_room);
        if (const auto* problem = std::get_if<Problem>(&read)) {
          print_problem(out, layout.shown_translation(room), *problem);
          out << "scriptpo: room " << room << " left out\n";
          ++left_out;
          continue;
        }
        translation = std::move(std::get<RoomDialogues>(read));
      }
      const fs::path comments_path = layout.comments(room);
      if (file_exists(comments_path)) {
        comments = common::read_text_file(comments_path);
        if (!comments) {
          errors << "scriptpo: cannot read " << layout.shown_comments(room) << '\n';
          unreadable = true;
          continue;
        }
      }
    }
    auto exported =
        export_room(source_room, translation ? &*translation : nullptr,
                    comments ? std::optional<std::string_view>(*comments) : std::nullopt);
    if (const auto* problem = std::get_if<Problem>(&exported)) {
      // Line numbers of the export's problems belong to the file the dialogue came from.
      print_problem(out, problem->in_translation ? layout.shown_translation(room) : source.shown,
                    *problem);
      out << "scriptpo: room " << room << " left out\n";
      ++left_out;
      continue;
    }
    const Export& result = std::get<Export>(exported);
    if (result.entries.empty()) continue;
    const auto bytes = write_po(po_header(room), result.entries);
    const fs::path po_path = out_dir / po_name(room);
    if (!bytes || !common::write_file(po_path, *bytes)) {
      errors << "scriptpo: cannot write " << (fs::path(shown_out) / po_name(room)).string() << '\n';
      unreadable = true;
      continue;
    }
    ++rooms;
    entries += static_cast<int>(result.entries.size());
    translated += result.translated;
    fuzzy += result.fuzzy;
  }
  if (sources == 0 && !unreadable) {
    errors << "scriptpo: no room script found under ../rooms/disk1 (run scriptdump first)\n";
    return 2;
  }
  out << "scriptpo: exported " << rooms << " rooms to " << shown_out << " (" << entries
      << " entries, " << translated << " translated, " << fuzzy << " fuzzy), " << left_out
      << " left out\n";
  if (unreadable) return 2;
  return left_out > 0 ? 1 : 0;
}

enum class Outcome { imported, refused, unreadable };

Outcome import_file(const std::string& file, const Layout& layout, const fs::path& work_dir,
                    std::ostream& out, std::ostream& errors, int& translated, int& fuzzy) {
  const ReadPo po = read_po(work_dir / file);
  if (!po.opened) {
    errors << "scriptpo: cannot read " << file << '\n';
    return Outcome::unreadable;
  }
  const auto refuse = [&](const std::vector<Problem>& problems, std::string_view shown) {
    for (const Problem& problem : problems) print_problem(out, shown, problem);
    out << "scriptpo: " << file << " refused; nothing was written for it\n";
    return Outcome::refused;
  };
  for (const Problem& warning : po.warnings) print_problem(out, file, warning, "warning");
  if (!po.problems.empty()) return refuse(po.problems, file);
  const auto room_or = room_of(po.entries);
  if (const auto* problems = std::get_if<std::vector<Problem>>(&room_or)) {
    return refuse(*problems, file);
  }
  const int room = std::get<int>(room_or);
  if (room < 0 || room >= script::kRoomCount) {
    return refuse(
        {{po.entries.front().line, "room " + std::to_string(room) + " is not one of rooms 0 to " +
                                       std::to_string(script::kRoomCount - 1)}},
        file);
  }
  const Source source = read_source(layout, room);
  if (!source.readable) {
    errors << "scriptpo: cannot read " << source.shown << '\n';
    return Outcome::unreadable;
  }
  const auto source_room = read_source_dump(source.dump);
  if (const auto* problem = std::get_if<Problem>(&source_room)) {
    return refuse({*problem}, source.shown);
  }
  const RoomDialogues& dialogues = std::get<RoomDialogues>(source_room);

  const fs::path translation_path = layout.translation(room);
  const fs::path comments_path = layout.comments(room);
  std::optional<RoomDialogues> translation;
  std::optional<std::string> comments;
  if (file_exists(translation_path)) {
    const auto text = common::read_text_file(translation_path);
    if (!text) {
      errors << "scriptpo: cannot read " << layout.shown_translation(room) << '\n';
      return Outcome::unreadable;
    }
    auto read = read_translation(*text, dialogues);
    if (const auto* problem = std::get_if<Problem>(&read)) {
      return refuse({*problem}, layout.shown_translation(room));
    }
    translation = std::move(std::get<RoomDialogues>(read));
  }
  if (file_exists(comments_path)) {
    comments = common::read_text_file(comments_path);
    if (!comments) {
      errors << "scriptpo: cannot read " << layout.shown_comments(room) << '\n';
      return Outcome::unreadable;
    }
  }
  const auto merged =
      merge_room(po.entries, dialogues, translation ? &*translation : nullptr,
                 comments ? std::optional<std::string_view>(*comments) : std::nullopt);
  if (const auto* problems = std::get_if<std::vector<Problem>>(&merged)) {
    return refuse(*problems, file);
  }
  const Merged& result = std::get<Merged>(merged);
  std::error_code error;
  fs::create_directories(translation_path.parent_path(), error);
  fs::create_directories(comments_path.parent_path(), error);
  const common::FileOutput outputs[] = {
      {translation_path,
       {reinterpret_cast<const std::uint8_t*>(result.translation.data()),
        result.translation.size()}},
      {comments_path,
       {reinterpret_cast<const std::uint8_t*>(result.comments.data()), result.comments.size()}},
  };
  if (const auto failed = common::write_files(outputs)) {
    errors << "scriptpo: cannot write "
           << (failed->path == translation_path ? layout.shown_translation(room)
                                                : layout.shown_comments(room))
           << ": " << failed->reason << '\n';
    return Outcome::unreadable;
  }
  translated += result.translated;
  fuzzy += result.fuzzy;
  return Outcome::imported;
}

int run_import(const Options& options, const fs::path& work_dir, std::ostream& out,
               std::ostream& errors) {
  const Layout layout(work_dir, options.translations);
  int imported = 0, refused = 0, translated = 0, fuzzy = 0;
  bool unreadable = false;
  for (const std::string& file : options.files) {
    switch (import_file(file, layout, work_dir, out, errors, translated, fuzzy)) {
      case Outcome::imported:
        ++imported;
        break;
      case Outcome::refused:
        ++refused;
        break;
      case Outcome::unreadable:
        unreadable = true;
        break;
    }
  }
  out << "scriptpo: imported " << imported << " PO files (" << translated
      << " dialogues translated, " << fuzzy << " fuzzy and in need of review), " << refused
      << " refused\n";
  if (unreadable) return 2;
  return refused > 0 ? 1 : 0;
}

int run_place(const Options& options, const fs::path& work_dir, std::ostream& out,
              std::ostream& errors) {
  const Layout layout(work_dir, options.translations);
  int placed = 0, left_out = 0, translated = 0;
  bool unreadable = false;
  for (int room = 0; room < script::kRoomCount; ++room) {
    const fs::path translation_path = layout.translation(room);
    if (!file_exists(translation_path)) continue;
    const std::string shown = layout.shown_translation(room);
    const auto text = common::read_text_file(translation_path);
    if (!text) {
      errors << "scriptpo: cannot read " << shown << '\n';
      unreadable = true;
      continue;
    }
    const Source source = read_source(layout, room);
    if (!source.readable) {
      errors << "scriptpo: cannot read " << source.shown << '\n';
      unreadable = true;
      continue;
    }
    // A file of another room would be packed into this one.
    const auto header_room = dialogue::read_modified_header(dialogue::first_line(*text));
    if (!std::holds_alternative<int>(header_room) || std::get<int>(header_room) != room) {
      print_problem(out, shown, {1, "not a dump text of room " + std::to_string(room)});
      out << "scriptpo: room " << room << " left out\n";
      ++left_out;
      continue;
    }
    const check::Report report = check::check_dump_text(*text, source.dump);
    if (report.errors() > 0) {
      for (const check::Diagnostic& diagnostic : report.diagnostics) {
        out << check::format_diagnostic(shown, diagnostic) << '\n';
      }
      out << "scriptpo: room " << room << " left out (" << report.errors() << " errors)\n";
      ++left_out;
      continue;
    }
    const fs::path target = layout.code_dir(room) / kDumpName;
    if (!common::write_file(target, *text)) {
      errors << "scriptpo: cannot write " << layout.shown_tree(target) << '\n';
      unreadable = true;
      continue;
    }
    ++placed;
    translated += report.translated;
  }
  out << "scriptpo: " << placed << " rooms placed, " << left_out << " left out, " << translated
      << " dialogues translated\n";
  if (placed > 0) {
    out << "scriptpo: run scriptpack next; a later scriptdump run writes the source dumps over "
           "what was placed\n";
  }
  if (unreadable) return 2;
  return left_out > 0 ? 1 : 0;
}

}  // namespace

int run_scriptpo(std::span<const std::string> args, const fs::path& work_dir, std::ostream& out,
                 std::ostream& errors) {
  auto parsed = parse_args(args);
  if (const auto* usage_error = std::get_if<std::string>(&parsed)) {
    errors << *usage_error << kUsage;
    return 2;
  }
  const Options& options = std::get<Options>(parsed);
  if (options.command == "export") return run_export(options, work_dir, out, errors);
  if (options.command == "import") return run_import(options, work_dir, out, errors);
  return run_place(options, work_dir, out, errors);
}

}  // namespace qv::po
