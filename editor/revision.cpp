// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/revision.hpp"

namespace qv::editor {

DialogueState state_of(const DialogueSummary& summary) {
  if (summary.errors > 0) return DialogueState::with_errors;
  if (summary.warnings > 0) return DialogueState::with_warnings;
  return summary.translated ? DialogueState::translated : DialogueState::untranslated;
}

std::string state_name(DialogueState state) {
  switch (state) {
    case DialogueState::with_errors:
      return "con errores";
    case DialogueState::with_warnings:
      return "con avisos";
    case DialogueState::translated:
      return "traducido";
    case DialogueState::untranslated:
      return "sin traducir";
  }
  return {};
}

std::string review_heading(std::span<const DialogueSummary> summaries) {
  int translated = 0, errors = 0, warnings = 0;
  for (const DialogueSummary& summary : summaries) {
    if (summary.translated) ++translated;
    const DialogueState state = state_of(summary);
    if (state == DialogueState::with_errors) ++errors;
    if (state == DialogueState::with_warnings) ++warnings;
  }
  return std::to_string(translated) + " de " + std::to_string(summaries.size()) +
         " diálogos traducidos · " + std::to_string(errors) + " con errores · " +
         std::to_string(warnings) + " con avisos";
}

}  // namespace qv::editor
