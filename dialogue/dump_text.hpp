// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The editor's view of the files it works on: a dump text cut into dialogues, the header line's
// numbers, the translation as written back, and the comments file. Everything here works on the
// bytes of code page 1252 held in std::string; nothing here knows of windows.
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace qv::dialogue {

inline constexpr std::string_view kCrLf = "\r\n";
inline constexpr std::string_view kRoomPrefix = "<Room ";
inline constexpr std::string_view kCountKey = "with ";
inline constexpr std::string_view kCommentEnd = "<End>";

inline constexpr std::string_view kModifiedFolder = "Scripts Modificados";
inline constexpr std::string_view kCommentsFolder = "Comentarios";

// Walks a text line by line. A line ends at a line feed, and a carriage return just before it
// belongs to the line end; the last line needs no line end. Never reads outside `text`.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}
  bool at_end() const { return position_ >= text_.size(); }
  // The next line without its line end; empty at the end of the text.
  std::string_view next();

 private:
  std::string_view text_;
  std::size_t position_ = 0;
};

// The first line of `text`, without its line end.
std::string_view first_line(std::string_view text);

// Whether a line is taken as the header of a dump ("<Room ", exact and case-sensitive).
bool is_dump_header(std::string_view line);

// A number of the header line at `position` (counted from 0): the three characters there if
// they form a number, else the two, else the one. A piece is a number when, trimmed of spaces,
// it is an optional sign and one or more decimal digits. Nothing when none of them is.
std::optional<int> number_at(std::string_view line, std::size_t position);

// What keeps a dump text from being read; the window turns each into its own message.
enum class DumpProblem {
  not_a_dump,          // the first line does not begin with "<Room "
  no_room_number,      // no number right after "<Room "
  no_dialogue_count,   // no "with ", no number after it, or a count below 1
  too_many_dialogues,  // the count runs past the three digits that the header rule reads
  missing_end,         // the text ends before a dialogue's "<End of block>" line
  too_few_dialogues,   // every block is whole, but there are fewer than the header line counts
};

struct SourceHeader {
  int room = 0;
  int dialogues = 0;
};

// Room number and dialogue count of a source dump's header line.
std::variant<SourceHeader, DumpProblem> read_source_header(std::string_view line);

// Room number of a modified dump's header line (its count is not read).
std::variant<int, DumpProblem> read_modified_header(std::string_view line);

struct DialogueProblem {
  DumpProblem problem;
  int dialogue;  // counted from 1
};

// Cuts a dump text into `count` dialogues. Each dialogue is a run of whole lines, each followed
// by CR LF, up to and including the first line that ends with "<End of block>" (alone on its
// line, or after the block's last text when that text does not end with a line break); the
// first dialogue also holds the header lines. After each dialogue one more line (the empty line
// between blocks) is dropped. Text after the last dialogue is ignored. Refuses a text that ends
// before `count` dialogues are complete, naming the dialogue where the damage is: the first one
// that ran on into the next block's "<Text block " line (its end marker is damaged), or the
// last one when it is cut off; when every block read is whole, the header line's count is wrong
// (too_few_dialogues, dialogue 1, whose header lines hold the count).
std::variant<std::vector<std::string>, DialogueProblem> read_dialogues(std::string_view text,
                                                                       int count);

// The translation as saved: every dialogue followed by CR LF, after the CR LF that ends the last
// dialogue has been taken off it (in `dialogues` too, as the window keeps that text). A dump
// that was read unchanged is written back byte for byte.
std::string write_modified_dump(std::vector<std::string>& dialogues);

// The comments of `count` dialogues. Each comment runs up to a line that is exactly "<End>"; its
// lines are joined by CR LF, and empty lines before its first text are dropped. A line of one
// or more spaces and "<End>" is a comment's own line, written with one more leading space than
// the comment has, and loses that space here. A file that ends early leaves the remaining
// comments empty.
std::vector<std::string> read_comments(std::string_view text, int count);

// The comments file: each comment, CR LF, "<End>", CR LF. A comment line made of zero or more
// spaces and "<End>" is written with one more leading space, so it cannot end its comment.
std::string write_comments(const std::vector<std::string>& comments);

// How many comments a comments file holds: its lines that are exactly "<End>".
std::size_t count_comments(std::string_view text);

// Whether a comment line is made of zero or more spaces followed by "<End>".
bool looks_like_comment_end(std::string_view line);

// The comments file created for a room that has none yet: "<End>" and an empty line for each
// dialogue.
std::string fresh_comments(int count);

// Where the translation or the comments of a source dump lived before each room had its own:
// the folder below `current_dir`, then the source dump's file name. Dumps of the same name
// share them.
std::filesystem::path derived_path(const std::filesystem::path& current_dir,
                                   std::string_view folder, const std::filesystem::path& source);

// Where the translation or the comments of room `room` live: the folder below `current_dir`,
// "Room N", then the source dump's file name. Every dump the chain writes is named
// "outscript.txt", so only the room keeps two rooms apart.
inline constexpr std::string_view kRoomFolderPrefix = "Room ";
std::filesystem::path room_path(const std::filesystem::path& current_dir, std::string_view folder,
                                int room, const std::filesystem::path& source);

// Writes a whole file through a scratch file in the same folder that then replaces it, so an
// interrupted save leaves the older file whole. A symbolic link is written through: the scratch
// file stands beside the link's target and replaces the target, and the link stays. An existing
// file keeps its permissions. A file that exists but may not be written (marked read-only) is
// left alone. Returns false when nothing was written.
bool save_file(const std::filesystem::path& path, std::string_view bytes);

// Tries to create the folder `current_dir`/`folder`; a failure is left for the next file
// operation below it to report.
void make_folder(const std::filesystem::path& current_dir, std::string_view folder);

}  // namespace qv::dialogue
