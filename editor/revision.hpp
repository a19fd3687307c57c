// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the review list says of each dialogue and of the room. Qt-free.
#include <span>
#include <string>

namespace qv::editor {

// What the checks and the comparison with the source found in one dialogue.
struct DialogueSummary {
  int errors = 0;
  int warnings = 0;
  bool translated = false;  // differs from its source
};

enum class DialogueState { with_errors, with_warnings, translated, untranslated };

// The worst that applies: errors, then warnings, then translated, then untranslated.
DialogueState state_of(const DialogueSummary& summary);

// "con errores", "con avisos", "traducido", "sin traducir" (UTF-8).
std::string state_name(DialogueState state);

// The review's head, for example "1840 de 3006 diálogos traducidos · 12 con errores · 30 con
// avisos": translated counts every dialogue that differs from its source; errors and warnings
// count dialogues by their worst state.
std::string review_heading(std::span<const DialogueSummary> summaries);

}  // namespace qv::editor
