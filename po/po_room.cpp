// SPDX-License-Identifier: GPL-3.0-or-later
#include "po/po_room.hpp"

#include <charconv>
#include <cstdio>
#include <map>

#include "common/cp1252.hpp"
#include "dialogue/dump_text.hpp"
#include "script/dump.hpp"
#include "script/vocabulary.hpp"

namespace qv::po {

namespace {

using dialogue::kCrLf;
using script::kEndOfBlock;

constexpr std::string_view kTextBlockPrefix = "<Text block";

std::size_t count_lines(std::string_view text) {
  std::size_t lines = 0;
  for (const char c : text) lines += c == '\n';
  return lines;
}

std::string crlf_to_lf(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  return out;
}

std::string lf_to_crlf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (const char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

std::string code_point_name(char32_t c) {
  char name[16];
  std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(c));
  return name;
}

struct Converted {
  std::string text;
  std::string problem;  // empty when the whole text converted
};

// Converts UTF-8 to code page 1252, or says why it cannot: bytes that are not UTF-8, a
// character the code page lacks, a control character other than the line feed (a carriage
// return would split the editor's lines differently).
Converted to_cp1252(std::string_view utf8, std::string_view what) {
  const auto refuse = [&](std::string why) { return Converted{{}, std::string(what) + why}; };
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const std::size_t length = lead < 0x80           ? 1
                               : (lead >> 5) == 0x6  ? 2
                               : (lead >> 4) == 0xE  ? 3
                               : (lead >> 3) == 0x1E ? 4
                                                     : 0;
    if (length == 0 || i + length > utf8.size()) {
      return refuse(" is not valid UTF-8");
    }
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(utf8[i + k]);
      if ((next & 0xC0) != 0x80) return refuse(" is not valid UTF-8");
      c = c << 6 | (next & 0x3F);
    }
    static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kSmallest[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      return refuse(" is not valid UTF-8");
    }
    const std::string shown =
        "'" + std::string(utf8.substr(i, length)) + "' (" + code_point_name(c) + ")";
    if ((c < 0x20 && c != '\n') || c == 0x7F) {
      return refuse(" holds the control character " + code_point_name(c));
    }
    const unsigned char byte = common::unicode_to_cp1252(c);
    if (byte == '?' && c != '?') {
      return refuse(" holds " + shown + ", which code page 1252 cannot hold");
    }
    out += static_cast<char>(byte);
    i += length;
  }
  return Converted{std::move(out), {}};
}

bool has_text_block_line(std::string_view text) {
  for (std::size_t start = 0; start <= text.size();) {
    if (text.substr(start).starts_with(kTextBlockPrefix)) return true;
    const std::size_t feed = text.find('\n', start);
    if (feed == std::string_view::npos) break;
    start = feed + 1;
  }
  return false;
}

}  // namespace

std::optional<DialogueParts> split_dialogue(std::string_view dialogue) {
  std::size_t start = 0;
  std::size_t text_start = std::string_view::npos;
  while (start < dialogue.size()) {
    const std::size_t feed = dialogue.find('\n', start);
    const std::size_t next = feed == std::string_view::npos ? dialogue.size() : feed + 1;
    if (dialogue.substr(start).starts_with(kTextBlockPrefix)) {
      text_start = next;
      break;
    }
    start = next;
  }
  if (text_start == std::string_view::npos) return std::nullopt;
  // The marker ends the dialogue's last line (read_dialogues cuts there).
  std::string_view rest = dialogue.substr(text_start);
  if (rest.ends_with(kCrLf)) rest.remove_suffix(kCrLf.size());
  if (!rest.ends_with(kEndOfBlock)) return std::nullopt;
  rest.remove_suffix(kEndOfBlock.size());
  return DialogueParts{std::string(dialogue.substr(0, text_start)), crlf_to_lf(rest)};
}

std::string join_dialogue(std::string_view head, std::string_view text) {
  std::string dialogue(head);
  dialogue += lf_to_crlf(text);
  dialogue += kEndOfBlock;
  dialogue += kCrLf;
  return dialogue;
}

namespace {

std::string describe(dialogue::DumpProblem problem) {
  switch (problem) {
    case dialogue::DumpProblem::not_a_dump:
      return "not a dump text: the first line does not begin with \"<Room \"";
    case dialogue::DumpProblem::no_room_number:
      return "no room number after \"<Room \"";
    case dialogue::DumpProblem::no_dialogue_count:
      return "no dialogue count in the first line";
    case dialogue::DumpProblem::too_many_dialogues:
      return "more dialogues than the editor reads";
    case dialogue::DumpProblem::missing_end:
      return "ends before its \"<End of block>\"";
    case dialogue::DumpProblem::too_few_dialogues:
      return "holds fewer dialogues than its first line counts";
  }
  return "unreadable";
}

std::vector<std::size_t> first_lines_of(const std::vector<std::string>& dialogues) {
  std::vector<std::size_t> lines;
  std::size_t line = 1;
  for (const std::string& text : dialogues) {
    lines.push_back(line);
    line += count_lines(text) + 1;  // and the line dropped after it
  }
  return lines;
}

std::variant<RoomDialogues, Problem> cut(std::string_view text, int room, int count) {
  auto dialogues = dialogue::read_dialogues(text, count);
  if (const auto* problem = std::get_if<dialogue::DialogueProblem>(&dialogues)) {
    return Problem{
        0, "dialogue " + std::to_string(problem->dialogue) + " " + describe(problem->problem)};
  }
  RoomDialogues room_dialogues{room, std::move(std::get<std::vector<std::string>>(dialogues)), {}};
  room_dialogues.first_lines = first_lines_of(room_dialogues.dialogues);
  return room_dialogues;
}

}  // namespace

std::variant<RoomDialogues, Problem> read_source_dump(std::string_view text) {
  const std::string_view line = dialogue::first_line(text);
  if (line.ends_with(script::kEmptyRoomSuffix)) {
    const auto room = dialogue::read_modified_header(line);
    if (const int* number = std::get_if<int>(&room)) return RoomDialogues{*number, {}, {}};
  }
  const auto header = dialogue::read_source_header(line);
  if (const auto* problem = std::get_if<dialogue::DumpProblem>(&header)) {
    return Problem{1, describe(*problem)};
  }
  const auto [room, count] = std::get<dialogue::SourceHeader>(header);
  return cut(text, room, count);
}

std::variant<RoomDialogues, Problem> read_translation(std::string_view text,
                                                      const RoomDialogues& source) {
  const auto room = dialogue::read_modified_header(dialogue::first_line(text));
  if (const auto* problem = std::get_if<dialogue::DumpProblem>(&room)) {
    return Problem{1, describe(*problem)};
  }
  if (std::get<int>(room) != source.room) {
    return Problem{1, "the translation of room " + std::to_string(std::get<int>(room)) +
                          ", not of room " + std::to_string(source.room)};
  }
  return cut(text, source.room, static_cast<int>(source.dialogues.size()));
}

std::string context_of(int room, int dialogue) {
  return "room " + std::to_string(room) + ", dialogue " + std::to_string(dialogue);
}

std::optional<DialogueRef> parse_context(std::string_view context) {
  const auto number = [&](std::string_view prefix, int& value) {
    if (!context.starts_with(prefix)) return false;
    context.remove_prefix(prefix.size());
    if (context.empty() || context.front() < '0' || context.front() > '9') return false;
    if (context.size() > 1 && context.front() == '0' && context[1] >= '0' && context[1] <= '9') {
      return false;  // "room 05" would write back as "room 5"
    }
    const auto [end, error] =
        std::from_chars(context.data(), context.data() + context.size(), value);
    if (error != std::errc{}) return false;
    context.remove_prefix(static_cast<std::size_t>(end - context.data()));
    return true;
  };
  DialogueRef ref;
  if (!number("room ", ref.room) || !number(", dialogue ", ref.dialogue) || !context.empty()) {
    return std::nullopt;
  }
  return ref;
}

std::variant<Export, Problem> export_room(const RoomDialogues& source,
                                          const RoomDialogues* translation,
                                          std::optional<std::string_view> comments_file) {
  const int count = static_cast<int>(source.dialogues.size());
  std::vector<std::string> comments;
  if (comments_file) comments = dialogue::read_comments(*comments_file, count);
  Export result;
  for (int index = 0; index < count; ++index) {
    const auto parts = split_dialogue(source.dialogues[index]);
    if (!parts) {
      return Problem{source.first_lines[index],
                     "dialogue " + std::to_string(index + 1) + " has no \"<Text block\" line"};
    }
    if (parts->text.empty()) continue;
    if (parts->text.find('\0') != std::string::npos) {
      return Problem{source.first_lines[index],
                     "dialogue " + std::to_string(index + 1) + " holds a NUL byte"};
    }
    PoEntry entry;
    entry.context = context_of(source.room, index + 1);
    entry.id = common::cp1252_to_utf8(parts->text);
    const std::string_view head_line = dialogue::first_line(
        std::string_view(parts->head).substr(parts->head.rfind(kTextBlockPrefix)));
    if (const std::size_t params = head_line.find("<params: "); params != std::string::npos) {
      std::string_view values = head_line.substr(params + 9);
      if (values.ends_with('>')) values.remove_suffix(1);
      entry.extracted = "params: " + common::cp1252_to_utf8(values);
    }
    if (translation) {
      const auto translated = split_dialogue(translation->dialogues[index]);
      if (!translated) {
        return Problem{translation->first_lines[index],
                       "dialogue " + std::to_string(index + 1) +
                           " of the translation has no \"<Text block\" line",
                       true};
      }
      if (translated->text.find('\0') != std::string::npos) {
        return Problem{
            translation->first_lines[index],
            "dialogue " + std::to_string(index + 1) + " of the translation holds a NUL byte", true};
      }
      if (translated->text != parts->text) {
        entry.str = common::cp1252_to_utf8(translated->text);
        ++result.translated;
        const std::string_view a = parts->text, b = translated->text;
        entry.fuzzy =
            a.starts_with('\n') != b.starts_with('\n') || a.ends_with('\n') != b.ends_with('\n');
        result.fuzzy += entry.fuzzy;
      }
    }
    if (!comments.empty()) entry.comment = common::cp1252_to_utf8(crlf_to_lf(comments[index]));
    result.entries.push_back(std::move(entry));
  }
  return result;
}

std::string po_header(int room) {
  return "Project-Id-Version: Quorvane room " + std::to_string(room) +
         "\n"
         "Language: es\n"
         "MIME-Version: 1.0\n"
         "Content-Type: text/plain; charset=UTF-8\n"
         "Content-Transfer-Encoding: 8bit\n";
}

std::variant<int, std::vector<Problem>> room_of(const std::vector<PoEntry>& entries) {
  std::vector<Problem> problems;
  std::optional<DialogueRef> first;
  for (const PoEntry& entry : entries) {
    const auto ref = parse_context(entry.context);
    if (!ref) {
      problems.push_back({entry.line, "msgctxt \"" + entry.context +
                                          "\" names no dialogue (\"room N, dialogue D\")"});
    } else if (!first) {
      first = ref;
    } else if (ref->room != first->room) {
      problems.push_back({entry.line, "msgctxt names room " + std::to_string(ref->room) +
                                          ", the file's first entry room " +
                                          std::to_string(first->room) +
                                          ": one file holds one room"});
    }
  }
  if (!first && problems.empty()) problems.push_back({0, "no entry names a room"});
  if (!problems.empty()) return problems;
  return first->room;
}

std::variant<Merged, std::vector<Problem>> merge_room(
    const std::vector<PoEntry>& entries, const RoomDialogues& source,
    const RoomDialogues* translation, std::optional<std::string_view> comments_file) {
  const int count = static_cast<int>(source.dialogues.size());
  // An empty room has no translation file for the editor to open.
  if (count == 0) {
    return std::vector<Problem>{{0, "room " + std::to_string(source.room) + " has no dialogue"}};
  }
  std::vector<std::string> dialogues = translation ? translation->dialogues : source.dialogues;
  std::vector<std::string> comments = comments_file ? dialogue::read_comments(*comments_file, count)
                                                    : std::vector<std::string>(count);
  std::vector<Problem> problems;
  std::map<int, std::size_t> seen;  // dialogue -> line of its entry
  bool commented = comments_file.has_value();
  Merged merged;
  for (const PoEntry& entry : entries) {
    const auto refuse = [&](std::string message) {
      problems.push_back({entry.line, std::move(message)});
    };
    const auto ref = parse_context(entry.context);
    if (!ref || ref->room != source.room || ref->dialogue < 1 || ref->dialogue > count) {
      refuse("msgctxt \"" + entry.context + "\" names no dialogue of room " +
             std::to_string(source.room));
      continue;
    }
    const std::string name = "dialogue " + std::to_string(ref->dialogue);
    if (const auto [at, fresh] = seen.emplace(ref->dialogue, entry.line); !fresh) {
      refuse(name + " has a second entry (the first at line " + std::to_string(at->second) + ")");
      continue;
    }
    const auto parts = split_dialogue(source.dialogues[ref->dialogue - 1]);
    if (!parts || common::cp1252_to_utf8(parts->text) != entry.id) {
      refuse("msgid is not the source text of " + name + " (exported from another version?)");
      continue;
    }
    const Converted text = to_cp1252(entry.str, "msgstr");
    const std::string& str = text.text;
    if (!text.problem.empty()) {
      refuse(text.problem);
    } else if (str.find(kEndOfBlock) != std::string::npos) {
      refuse("msgstr holds \"<End of block>\"");
    } else if (has_text_block_line(str)) {
      refuse("msgstr holds a line beginning \"<Text block\"");
    } else if (!str.empty()) {
      dialogues[ref->dialogue - 1] = join_dialogue(parts->head, str);
      ++merged.translated;
      merged.fuzzy += entry.fuzzy;
    }
    if (!entry.comment.empty()) {
      const Converted comment = to_cp1252(entry.comment, "the comment");
      if (!comment.problem.empty()) {
        refuse(comment.problem);
      } else {
        comments[ref->dialogue - 1] = lf_to_crlf(comment.text);
        commented = true;
      }
    }
  }
  if (!problems.empty()) return problems;
  merged.translation = dialogue::write_modified_dump(dialogues);
  // A room that never had comments gets the file the editor creates for it.
  merged.comments =
      commented ? dialogue::write_comments(comments) : dialogue::fresh_comments(count);
  return merged;
}

}  // namespace qv::po
