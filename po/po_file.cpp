// SPDX-License-Identifier: GPL-3.0-or-later
#include "po/po_file.hpp"

#include <gettext-po.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <string_view>
#include <system_error>

#include "common/files.hpp"

namespace qv::po {

namespace {

namespace fs = std::filesystem;

// The library reports through plain function pointers; this is where the current read or
// write collects what it says.
thread_local std::vector<Problem>* current_problems = nullptr;
thread_local std::vector<Problem>* current_warnings = nullptr;

// A fatal error must not return into the library.
struct FatalPoError {};

void collect(int severity, const char* filename, std::size_t lineno, const char* text) {
  std::string message = text ? text : "";
  while (!message.empty() && message.back() == '\n') message.pop_back();
  const std::size_t line = filename && lineno != static_cast<std::size_t>(-1) ? lineno : 0;
  auto* target = severity == PO_SEVERITY_WARNING ? current_warnings : current_problems;
  if (target) target->push_back({line, std::move(message)});
  if (severity == PO_SEVERITY_FATAL_ERROR) throw FatalPoError{};
}

void on_error(int severity, po_message_t, const char* filename, size_t lineno, size_t, int,
              const char* text) {
  collect(severity, filename, lineno, text);
}

void on_error2(int severity, po_message_t, const char* filename1, size_t lineno1, size_t, int,
               const char* text1, po_message_t, const char* filename2, size_t lineno2, size_t, int,
               const char* text2) {
  collect(severity == PO_SEVERITY_FATAL_ERROR ? PO_SEVERITY_ERROR : severity, filename1, lineno1,
          text1);
  collect(severity, filename2, lineno2, text2);
}

const po_xerror_handler kHandler = {on_error, on_error2};

struct PoFileFree {
  void operator()(po_file_t file) const { po_file_free(file); }
};
using PoFile = std::unique_ptr<std::remove_pointer_t<po_file_t>, PoFileFree>;

struct IteratorFree {
  void operator()(po_message_iterator_t iterator) const { po_message_iterator_free(iterator); }
};
using Iterator = std::unique_ptr<std::remove_pointer_t<po_message_iterator_t>, IteratorFree>;

fs::path scratch_path() {
  static std::atomic<unsigned> counter{0};
  std::error_code error;
  return fs::temp_directory_path(error) /
         ("scriptpo_" + std::to_string(::getpid()) + "_" + std::to_string(counter++) + ".po");
}

std::string_view trimmed(std::string_view line) {
  const std::size_t first = line.find_first_not_of(" \t");
  return first == std::string_view::npos ? std::string_view{} : line.substr(first);
}

bool is_keyword(std::string_view line, std::string_view keyword) {
  return line.starts_with(keyword) && line.size() > keyword.size() &&
         (line[keyword.size()] == ' ' || line[keyword.size()] == '\t' ||
          line[keyword.size()] == '"');
}

// The line of each entry's first keyword, in file order, obsolete entries included.
std::vector<std::size_t> entry_lines(std::string_view text) {
  std::vector<std::size_t> lines;
  std::size_t pending = 0;
  std::size_t number = 0;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t feed = text.find('\n', start);
    const std::size_t end = feed == std::string_view::npos ? text.size() : feed;
    std::string_view line = trimmed(text.substr(start, end - start));
    start = end + 1;
    ++number;
    if (line.starts_with("#~")) line = trimmed(line.substr(2));
    if (is_keyword(line, "msgctxt")) {
      if (!pending) pending = number;
    } else if (is_keyword(line, "msgid")) {
      lines.push_back(pending ? pending : number);
      pending = 0;
    }
  }
  return lines;
}

bool is_utf8_charset(const char* header) {
  if (!header) return true;
  char* field = po_header_field(header, "Content-Type");
  if (!field) return true;
  std::string content_type(field);
  std::free(field);
  const std::size_t at = content_type.find("charset=");
  if (at == std::string::npos) return true;
  std::string charset = content_type.substr(at + 8);
  charset = charset.substr(0, charset.find_first_of(" ;"));
  for (char& c : charset) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  return charset == "UTF-8" || charset == "UTF8";
}

}  // namespace

std::optional<std::string> write_po(const std::string& header,
                                    const std::vector<PoEntry>& entries) {
  PoFile file(po_file_create());
  {
    Iterator iterator(po_message_iterator(file.get(), nullptr));
    const auto add = [&](const char* context, const std::string& id, const std::string& str) {
      po_message_t message = po_message_create();
      if (context) po_message_set_msgctxt(message, context);
      po_message_set_msgid(message, id.c_str());
      po_message_set_msgstr(message, str.c_str());
      po_message_insert(iterator.get(), message);
      return message;
    };
    add(nullptr, "", header);
    for (const PoEntry& entry : entries) {
      po_message_t message = add(entry.context.c_str(), entry.id, entry.str);
      // The library's comments end every line with a line feed, the last one included, as
      // read_po takes them; so a comment whose last line is empty keeps it.
      if (!entry.comment.empty()) {
        po_message_set_comments(message, (entry.comment + '\n').c_str());
      }
      if (!entry.extracted.empty()) {
        po_message_set_extracted_comments(message, (entry.extracted + '\n').c_str());
      }
      if (entry.fuzzy) po_message_set_fuzzy(message, 1);
    }
  }
  const fs::path scratch = scratch_path();
  std::vector<Problem> problems;
  current_problems = &problems;
  current_warnings = nullptr;
  bool written = false;
  try {
    written = po_file_write(file.get(), scratch.c_str(), &kHandler) != nullptr;
  } catch (const FatalPoError&) {
    written = false;
  }
  current_problems = nullptr;
  std::optional<std::string> bytes;
  if (written && problems.empty()) {
    if (const auto content = common::read_file(scratch)) {
      bytes = std::string(content->begin(), content->end());
    }
  }
  std::error_code ignored;
  fs::remove(scratch, ignored);
  return bytes;
}

ReadPo read_po(const fs::path& path) {
  ReadPo result;
  std::error_code error;
  if (fs::is_directory(path, error)) return result;
  const auto content = common::read_file(path);
  if (!content) return result;
  result.opened = true;
  current_problems = &result.problems;
  current_warnings = &result.warnings;
  PoFile file;
  try {
    file.reset(po_file_read(path.c_str(), &kHandler));
  } catch (const FatalPoError&) {
    file.reset();
  }
  current_problems = current_warnings = nullptr;
  if (!file) {
    if (result.problems.empty()) result.problems.push_back({0, "cannot be read as a PO file"});
    return result;
  }
  const std::vector<std::size_t> lines = entry_lines(
      std::string_view(reinterpret_cast<const char*>(content->data()), content->size()));
  std::size_t index = 0;
  std::size_t messages = 0;
  const char* const* domains = po_file_domains(file.get());
  for (const char* const* domain = domains; domain && *domain; ++domain) {
    if (!is_utf8_charset(po_file_domain_header(file.get(), *domain))) {
      result.problems.push_back({0, "the header names a charset other than UTF-8"});
    }
    Iterator iterator(po_message_iterator(file.get(), *domain));
    while (po_message_t message = po_next_message(iterator.get())) {
      const std::size_t line = index < lines.size() ? lines[index] : 0;
      ++index;
      ++messages;
      const char* id = po_message_msgid(message);
      if (po_message_is_obsolete(message)) continue;
      if (!po_message_msgctxt(message) && id && *id == '\0') continue;  // the header
      if (po_message_msgid_plural(message)) {
        result.problems.push_back({line, "an entry with plural forms names no dialogue"});
        continue;
      }
      PoEntry entry;
      if (const char* context = po_message_msgctxt(message)) entry.context = context;
      entry.id = id ? id : "";
      if (const char* str = po_message_msgstr(message)) entry.str = str;
      if (const char* comments = po_message_comments(message)) entry.comment = comments;
      // The library ends every comment line with a line feed.
      if (entry.comment.ends_with('\n')) entry.comment.pop_back();
      if (const char* extracted = po_message_extracted_comments(message)) {
        entry.extracted = extracted;
        if (entry.extracted.ends_with('\n')) entry.extracted.pop_back();
      }
      entry.fuzzy = po_message_is_fuzzy(message) != 0;
      entry.line = line;
      result.entries.push_back(std::move(entry));
    }
  }
  // Where the located lines and the library's entries disagree, no line is better than a
  // wrong one.
  if (messages != lines.size()) {
    for (PoEntry& entry : result.entries) entry.line = 0;
  }
  return result;
}

}  // namespace qv::po
