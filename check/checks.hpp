// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The checks of a dump text before it is packed: every piece of text that the game would lose
// (found by the packer's own encoder and script builder, so a check never disagrees with what
// scriptpack does), message windows the game cannot show whole, and, against the source dump,
// what a translation changed that it should not have.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv::check {

enum class Severity { error, warning, note };

struct Diagnostic {
  std::size_t line = 1;    // from 1
  std::size_t column = 1;  // from 1, in bytes of the line
  Severity severity = Severity::error;
  std::string_view check;  // "unsupported-tag", "window-lines", ...
  std::string message;     // UTF-8
  int dialogue = 0;        // the block it belongs to, from 1; 0 for the room's header lines
};

struct Report {
  std::vector<Diagnostic> diagnostics;  // errors and warnings, by line and column; no notes
  int dialogues = 0;                    // the blocks the packer read
  int translated = 0;                   // with a source: dialogues that differ from it
  bool compared = false;                // a source was given
  int errors() const;
  int warnings() const;
};

// Checks one dump text (bytes of code page 1252) and, when `source` is given, compares it with
// the dump it was translated from, dialogue by dialogue. Never fails: damage that keeps the
// room from being packed is reported as an `unpackable` error, with whatever was read before.
Report check_dump_text(std::string_view text, std::optional<std::string_view> source = {});

// Checks one dialogue as the editor holds it (from its "<Text block" line, after the room's
// header lines in the first dialogue, to the line of its "<End of block>"), against the same
// dialogue of the source when given. Lines and columns count within `dialogue`; the room's
// header lines are not checked here, and `dialogues` and `translated` count this one dialogue.
Report check_dialogue(std::string_view dialogue, std::optional<std::string_view> source = {});

// "error" or "warning" (or "note").
std::string_view severity_name(Severity severity);

// One diagnostic in the form editors and terminals parse: "PATH:LINE:COLUMN: error: MESSAGE
// [check]".
std::string format_diagnostic(std::string_view path, const Diagnostic& diagnostic);

}  // namespace qv::check
