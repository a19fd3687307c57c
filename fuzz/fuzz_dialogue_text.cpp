// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's readers of untrusted text: the header line, the dialogues, the comments file and
// the preview. Input: one byte choosing the scroll value, then the text.
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "dialogue/dump_text.hpp"
#include "dialogue/preview.hpp"
#include "fuzz/check.hpp"

namespace {

using namespace qv::dialogue;

// Whether a dump text is in the form the dumper writes: the dialogues as read, each but the last
// followed by an empty line, and nothing after the last. Only such a text is saved back as it
// was; the editor writes any other one in that form (line ends as CR LF, the lines between
// blocks empty, nothing after the last dialogue).
bool in_dumped_form(std::string_view text, const std::vector<std::string>& dialogues) {
  std::size_t at = 0;
  for (std::size_t i = 0; i < dialogues.size(); ++i) {
    if (text.substr(at, dialogues[i].size()) != dialogues[i]) return false;
    at += dialogues[i].size();
    if (i + 1 < dialogues.size()) {
      if (text.substr(at, 2) != "\r\n") return false;
      at += 2;
    }
  }
  return at == text.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const int scroll = data[0];
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

  const auto header = read_source_header(first_line(text));
  if (const auto* source = std::get_if<SourceHeader>(&header)) {
    QV_FUZZ_CHECK(source->dialogues >= 1 && source->dialogues <= 999, "the dialogue count");
    auto read = read_dialogues(text, source->dialogues);
    if (auto* dialogues = std::get_if<std::vector<std::string>>(&read)) {
      QV_FUZZ_CHECK(dialogues->size() == static_cast<std::size_t>(source->dialogues),
                    "dialogues read");
      const std::vector<std::string> as_read = *dialogues;
      std::vector<std::string> to_save = *dialogues;
      const std::string saved = write_modified_dump(to_save);
      if (in_dumped_form(text, as_read)) {
        QV_FUZZ_CHECK(saved == text, "an accepted dump is not saved back unchanged");
      }
      // What was saved reads back as the same dialogues.
      auto again = read_dialogues(saved, source->dialogues);
      QV_FUZZ_CHECK(std::holds_alternative<std::vector<std::string>>(again), "saved text refused");
      auto reread = std::get<std::vector<std::string>>(again);
      std::vector<std::string> resaved = reread;
      QV_FUZZ_CHECK(write_modified_dump(resaved) == saved, "a second save differs");
      for (const std::string& dialogue : as_read) {
        const PreviewState state = refresh_preview(dialogue, scroll);
        QV_FUZZ_CHECK(state.scroll_value >= 0 && state.scroll_value <= state.scroll_maximum,
                      "scroll value");
      }
    }
  }

  // Comments: what is read, written and read again stays the same.
  const int count = 1 + scroll % 8;
  const auto comments = read_comments(text, count);
  QV_FUZZ_CHECK(comments.size() == static_cast<std::size_t>(count), "comment count");
  QV_FUZZ_CHECK(read_comments(write_comments(comments), count) == comments,
                "comments change on a save");

  // The preview over the raw text, and its ranges inside it.
  const TextRange body = preview_body_range(text);
  QV_FUZZ_CHECK(body.begin <= body.end && body.end <= text.size(), "body range");
  const std::string_view body_text = text.substr(body.begin, body.end - body.begin);
  for (const TextRange& window : window_ranges(body_text)) {
    QV_FUZZ_CHECK(window.begin <= window.end && window.end <= body_text.size(), "window range");
  }
  refresh_preview(text, scroll);
  return 0;
}
