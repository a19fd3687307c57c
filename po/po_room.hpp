// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One room's dialogue as PO entries and back: the entries exported from a source dump (with the
// editor's translation and comments when there are some), and the merge of PO entries into the
// editor's files. Pure functions over bytes; the PO format itself is po_file.hpp's business.
// Dump texts and comments files are bytes of code page 1252; every PoEntry field is UTF-8.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace qv::po {

// One PO entry as this tool reads and writes it.
struct PoEntry {
  std::string context;    // msgctxt: "room N, dialogue D"
  std::string id;         // msgid: the dialogue's source text, lines joined by "\n"
  std::string str;        // msgstr: the translation, empty while untranslated
  std::string comment;    // translator comment, lines joined by "\n"
  std::string extracted;  // extracted comment ("params: ..."), for information only
  bool fuzzy = false;
  std::size_t line = 0;  // where the entry begins in its PO file, from 1; 0 when unknown
};

// A problem tied to a place: `line` counts from 1 in the file it is about (0: the whole file).
struct Problem {
  std::size_t line = 0;
  std::string message;
  bool in_translation = false;  // about the translation file rather than the source dump
};

// A dialogue as read_dialogues cuts it, split at its text: `head` is every line up to and
// including the "<Text block" line (for dialogue 1 also the room's header lines), `text` the
// lines between that line and the end marker joined by "\n" (the part of the marker's line
// before the marker is the last line), so a text that ends with a line break ends with "\n".
struct DialogueParts {
  std::string head;
  std::string text;
};

// Splits one dialogue; nothing when it has no "<Text block" line or no end marker.
std::optional<DialogueParts> split_dialogue(std::string_view dialogue);

// The dialogue that holds `text` under `head`: the inverse of split_dialogue.
std::string join_dialogue(std::string_view head, std::string_view text);

// A dump text read as the dialogues of one room.
struct RoomDialogues {
  int room = 0;
  std::vector<std::string> dialogues;    // as read_dialogues gives them, CR LF line ends
  std::vector<std::size_t> first_lines;  // the line each dialogue starts on, from 1
};

// Reads a source dump. A dump with no dialogue (the empty-room line) gives a room without
// dialogues; a dump that cannot be cut gives a problem.
std::variant<RoomDialogues, Problem> read_source_dump(std::string_view text);

// Reads the editor's translation of `source`'s room: same room number, the source's dialogue
// count (the translation's own count is not read, as the editor does not read it).
std::variant<RoomDialogues, Problem> read_translation(std::string_view text,
                                                      const RoomDialogues& source);

// "room N, dialogue D"; and its reading (nothing unless exactly that form).
std::string context_of(int room, int dialogue);
struct DialogueRef {
  int room = 0;
  int dialogue = 0;
};
std::optional<DialogueRef> parse_context(std::string_view context);

// The entries of a room: one per dialogue with text, in dialogue order. With a translation,
// each msgstr is the translated text where it differs from the source, and an entry whose
// translation and source differ in a leading or final line break is fuzzy. With a comments
// file, its comments (the "<End>" rule undone) become translator comments.
struct Export {
  std::vector<PoEntry> entries;
  int translated = 0;
  int fuzzy = 0;
};
std::variant<Export, Problem> export_room(const RoomDialogues& source,
                                          const RoomDialogues* translation,
                                          std::optional<std::string_view> comments_file);

// The PO header of a room's file, with no field that depends on the time of the run.
std::string po_header(int room);

// The room that every entry names. Refuses entries that name no room and a second room.
std::variant<int, std::vector<Problem>> room_of(const std::vector<PoEntry>& entries);

// What an import leaves in the editor's files.
struct Merged {
  std::string translation;  // the translation file, as the editor writes it
  std::string comments;     // the comments file, as the editor writes it
  int translated = 0;       // entries whose msgstr went in
  int fuzzy = 0;            // of those, marked fuzzy: they need review
};

// Merges `entries` of `source`'s room into the editor's files. `translation` is the file's
// current translation (nothing: none yet, so the source), `comments_file` the current comments
// file (nothing: none yet). Each dialogue whose entry has a non-empty msgstr takes it; the rest
// keep what they held. A comment is replaced only where the entry has one. Refuses, with the
// entry's line, an entry that names no dialogue of the room or one already named, a msgid that
// is not the dialogue's source text, a msgstr that holds an end marker or a "<Text block" line,
// and a msgstr or comment with a character that code page 1252 cannot hold, a control character
// other than the line feed, or
// bytes that are not UTF-8. Any refusal gives no files.
std::variant<Merged, std::vector<Problem>> merge_room(
    const std::vector<PoEntry>& entries, const RoomDialogues& source,
    const RoomDialogues* translation, std::optional<std::string_view> comments_file);

}  // namespace qv::po
