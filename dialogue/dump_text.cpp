// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogue/dump_text.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include <system_error>

#include "common/files.hpp"
#include "script/vocabulary.hpp"

namespace qv::dialogue {

using script::kEndOfBlock;

std::string_view LineReader::next() {
  if (at_end()) return {};
  const std::size_t start = position_;
  const std::size_t feed = text_.find('\n', start);
  std::size_t end = feed == std::string_view::npos ? text_.size() : feed;
  position_ = feed == std::string_view::npos ? text_.size() : feed + 1;
  if (feed != std::string_view::npos && end > start && text_[end - 1] == '\r') --end;
  return text_.substr(start, end - start);
}

std::string_view first_line(std::string_view text) {
  return LineReader(text).next();
}

bool is_dump_header(std::string_view line) {
  return line.starts_with(kRoomPrefix);
}

namespace {

bool is_number(std::string_view piece) {
  const std::size_t first = piece.find_first_not_of(' ');
  if (first == std::string_view::npos) return false;
  piece = piece.substr(first, piece.find_last_not_of(' ') - first + 1);
  if (piece.front() == '+' || piece.front() == '-') piece.remove_prefix(1);
  if (piece.empty()) return false;
  for (const char c : piece) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

int to_number(std::string_view piece) {
  const std::size_t first = piece.find_first_not_of(' ');
  piece.remove_prefix(first);
  bool negative = false;
  if (piece.front() == '+' || piece.front() == '-') {
    negative = piece.front() == '-';
    piece.remove_prefix(1);
  }
  int value = 0;
  for (const char c : piece) {
    if (c == ' ') break;
    value = value * 10 + (c - '0');
  }
  return negative ? -value : value;
}

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

std::optional<int> number_at(std::string_view line, std::size_t position) {
  if (position >= line.size()) return std::nullopt;
  for (std::size_t length = 3; length >= 1; --length) {
    const std::string_view piece = line.substr(position, length);
    if (is_number(piece)) return to_number(piece);
  }
  return std::nullopt;
}

std::variant<SourceHeader, DumpProblem> read_source_header(std::string_view line) {
  const auto room = read_modified_header(line);
  if (const auto* problem = std::get_if<DumpProblem>(&room)) return *problem;
  const std::size_t key = line.find(kCountKey);
  if (key == std::string_view::npos) return DumpProblem::no_dialogue_count;
  const std::size_t at = key + kCountKey.size();
  const auto count = number_at(line, at);
  if (!count || *count < 1) return DumpProblem::no_dialogue_count;
  // Three digits are all the rule reads; a longer count would lose the dialogues past them on
  // the next save.
  if (at + 3 < line.size() && is_digit(line[at + 3]) && is_digit(line[at + 2]) &&
      is_digit(line[at + 1])) {
    return DumpProblem::too_many_dialogues;
  }
  return SourceHeader{std::get<int>(room), *count};
}

std::variant<int, DumpProblem> read_modified_header(std::string_view line) {
  if (!is_dump_header(line)) return DumpProblem::not_a_dump;
  const auto room = number_at(line, kRoomPrefix.size());
  if (!room) return DumpProblem::no_room_number;
  return *room;
}

namespace {

constexpr std::string_view kBlockStart = "<Text block ";

// Whether `dialogue` holds more than one block's first line.
bool holds_two_blocks(std::string_view dialogue) {
  LineReader lines(dialogue);
  int blocks = 0;
  while (!lines.at_end()) {
    if (lines.next().starts_with(kBlockStart) && ++blocks > 1) return true;
  }
  return false;
}

// Where a text that ended while dialogue `index` was being read is damaged.
DialogueProblem locate_damage(const std::vector<std::string>& whole, std::string_view cut_off,
                              int index) {
  for (std::size_t i = 0; i < whole.size(); ++i) {
    if (holds_two_blocks(whole[i])) {
      return {DumpProblem::missing_end, static_cast<int>(i) + 1};
    }
  }
  LineReader lines(cut_off);
  while (!lines.at_end()) {
    if (!lines.next().empty()) return {DumpProblem::missing_end, index};
  }
  if (whole.empty()) return {DumpProblem::missing_end, index};
  return {DumpProblem::too_few_dialogues, 1};
}

}  // namespace

std::variant<std::vector<std::string>, DialogueProblem> read_dialogues(std::string_view text,
                                                                       int count) {
  std::vector<std::string> dialogues;
  dialogues.reserve(count > 0 ? static_cast<std::size_t>(count) : 0);
  LineReader lines(text);
  for (int index = 1; index <= count; ++index) {
    std::string dialogue;
    for (;;) {
      if (lines.at_end()) return locate_damage(dialogues, dialogue, index);
      const std::string_view line = lines.next();
      dialogue.append(line);
      dialogue.append(kCrLf);
      if (line.ends_with(kEndOfBlock)) break;
    }
    dialogues.push_back(std::move(dialogue));
    if (!lines.at_end()) lines.next();
  }
  return dialogues;
}

std::string write_modified_dump(std::vector<std::string>& dialogues) {
  if (!dialogues.empty() && dialogues.back().ends_with(kCrLf)) {
    dialogues.back().resize(dialogues.back().size() - kCrLf.size());
  }
  std::string text;
  for (const std::string& dialogue : dialogues) {
    text += dialogue;
    text += kCrLf;
  }
  return text;
}

std::size_t count_comments(std::string_view text) {
  std::size_t count = 0;
  LineReader lines(text);
  while (!lines.at_end()) {
    if (lines.next() == kCommentEnd) ++count;
  }
  return count;
}

bool looks_like_comment_end(std::string_view line) {
  return line.ends_with(kCommentEnd) &&
         line.find_first_not_of(' ') == line.size() - kCommentEnd.size();
}

std::vector<std::string> read_comments(std::string_view text, int count) {
  std::vector<std::string> comments(count > 0 ? static_cast<std::size_t>(count) : 0);
  LineReader lines(text);
  for (std::string& comment : comments) {
    while (!lines.at_end()) {
      std::string_view line = lines.next();
      if (line == kCommentEnd) break;
      if (looks_like_comment_end(line)) line.remove_prefix(1);
      if (!comment.empty()) comment += kCrLf;
      comment += line;
    }
  }
  return comments;
}

std::string write_comments(const std::vector<std::string>& comments) {
  std::string text;
  for (const std::string& comment : comments) {
    LineReader lines(comment);
    for (bool first = true; !lines.at_end(); first = false) {
      const std::string_view line = lines.next();
      if (!first) text += kCrLf;
      if (looks_like_comment_end(line)) text += ' ';
      text += line;
    }
    if (comment.ends_with('\n')) text += kCrLf;  // the line reader keeps no empty last line
    text += kCrLf;
    text += kCommentEnd;
    text += kCrLf;
  }
  return text;
}

std::string fresh_comments(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    text += kCommentEnd;
    text += kCrLf;
    text += kCrLf;
  }
  return text;
}

std::filesystem::path derived_path(const std::filesystem::path& current_dir,
                                   std::string_view folder, const std::filesystem::path& source) {
  return current_dir / std::filesystem::path(folder) / source.filename();
}

std::filesystem::path room_path(const std::filesystem::path& current_dir, std::string_view folder,
                                int room, const std::filesystem::path& source) {
  return current_dir / std::filesystem::path(folder) /
         (std::string(kRoomFolderPrefix) + std::to_string(room)) / source.filename();
}

bool save_file(const std::filesystem::path& path, std::string_view bytes) {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::path target = path;
  // A link is followed to the file it names, so the rename replaces that file, not the link.
  for (int hops = 0; fs::is_symlink(target, error) && hops < 40; ++hops) {
    const fs::path next = fs::read_symlink(target, error);
    if (error) return false;
    target = next.is_absolute() ? next : target.parent_path() / next;
  }
  const auto status = fs::status(target, error);
  const bool exists = fs::exists(status);
  if (exists && ::access(target.c_str(), W_OK) != 0) return false;

  std::string scratch =
      (target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkstemp(scratch.data());
  if (fd < 0) return false;
  bool written = true;
  for (std::size_t done = 0; written && done < bytes.size();) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      written = errno == EINTR;
    } else {
      done += static_cast<std::size_t>(n);
    }
  }
  // The scratch file is created private; the file it replaces keeps what it allowed, and a new
  // file gets what the process's file mask gives any new file.
  mode_t mode = 0;
  if (exists) {
    mode = static_cast<mode_t>(status.permissions() & fs::perms::mask);
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  written = written && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
  written = ::close(fd) == 0 && written;
  if (!written || ::rename(scratch.c_str(), target.c_str()) != 0) {
    ::unlink(scratch.c_str());
    return false;
  }
  return true;
}

void make_folder(const std::filesystem::path& current_dir, std::string_view folder) {
  std::error_code ignored;
  std::filesystem::create_directory(current_dir / std::filesystem::path(folder), ignored);
}

}  // namespace qv::dialogue
