// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/ortografia.hpp"

#include <hunspell.hxx>

#include <fstream>
#include <system_error>

#include "common/cp1252.hpp"
#include "common/files.hpp"
#include "dialogue/dump_text.hpp"
#include "dialogue/frame.hpp"
#include "script/vocabulary.hpp"

namespace qv::editor {

namespace {

bool is_letter(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == 0x8A || c == 0x8C || c == 0x8E ||
         c == 0x9A || c == 0x9C || c == 0x9E || c == 0x9F || (c >= 0xC0 && c != 0xD7 && c != 0xF7);
}

const std::set<std::string>& character_words() {
  static const std::set<std::string> words = [] {
    std::set<std::string> names;
    for (std::size_t i = 0; i < script::kTableSize; ++i) {
      const std::string_view name = script::character_name(static_cast<std::uint8_t>(i));
      std::size_t at = 0;
      while (at < name.size()) {
        std::size_t end = at;
        while (end < name.size() && is_letter(static_cast<unsigned char>(name[end]))) ++end;
        if (end > at) names.emplace(name.substr(at, end - at));
        at = end + 1;
      }
      if (const auto token = script::accent_token(static_cast<std::uint8_t>(i))) {
        names.emplace(*token);
      }
    }
    return names;
  }();
  return words;
}

}  // namespace

std::vector<Word> spelling_words(std::string_view dialogue) {
  std::vector<Word> words;
  const auto frame = dialogue::frame_parts(dialogue);
  std::size_t frame_index = 0;
  std::size_t line_begin = 0;
  std::size_t box_line = 0;  // the box position of line_begin
  while (line_begin < dialogue.size()) {
    std::size_t line_end = dialogue.find('\n', line_begin);
    const std::size_t next = line_end == std::string_view::npos ? dialogue.size() : line_end + 1;
    if (line_end == std::string_view::npos) line_end = dialogue.size();
    if (line_end > line_begin && dialogue[line_end - 1] == '\r') --line_end;
    const std::string_view line = dialogue.substr(line_begin, line_end - line_begin);
    const bool fixed = frame_index < frame.size() && line == frame[frame_index];
    if (fixed) ++frame_index;
    if (!fixed) {
      bool in_tag = false;
      std::size_t i = 0;
      while (i < line.size()) {
        const auto c = static_cast<unsigned char>(line[i]);
        if (in_tag) {
          in_tag = c != '>';
          ++i;
          continue;
        }
        if (c == '<') {
          in_tag = true;
          ++i;
          continue;
        }
        if (!is_letter(c)) {
          ++i;
          continue;
        }
        std::size_t end = i;
        while (end < line.size() &&
               (is_letter(static_cast<unsigned char>(line[end])) ||
                ((line[end] == '\'' || line[end] == '\x92') && end + 1 < line.size() &&
                 is_letter(static_cast<unsigned char>(line[end + 1]))))) {
          ++end;
        }
        const bool touches_tag =
            (i > 0 && line[i - 1] == '>') || (end < line.size() && line[end] == '<');
        std::string text(line.substr(i, end - i));
        if (!touches_tag && !character_words().contains(text)) {
          words.push_back({box_line + i, box_line + end, std::move(text)});
        }
        i = end;
      }
    }
    box_line += line.size() + (next > line_end ? 1 : 0);
    line_begin = next;
  }
  return words;
}

Speller::Speller() = default;
Speller::~Speller() = default;

bool Speller::load(const std::filesystem::path& aff, const std::filesystem::path& dic) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(aff, error) ||
      !std::filesystem::is_regular_file(dic, error)) {
    return false;
  }
  dictionary_ = std::make_unique<Hunspell>(aff.c_str(), dic.c_str());
  utf8_ = std::string_view(dictionary_->get_dic_encoding()) == "UTF-8";
  return true;
}

void Speller::load_personal(const std::filesystem::path& path) {
  personal_ = path;
  std::ifstream in(path);
  std::string word;
  while (std::getline(in, word)) {
    if (!word.empty() && word.back() == '\r') word.pop_back();
    if (!word.empty() && dictionary_) dictionary_->add(utf8_ ? word : common::utf8_to_cp1252(word));
  }
}

bool Speller::correct(std::string_view word) const {
  if (!dictionary_ || ignored_.contains(std::string(word))) return true;
  const std::string text(word);
  return dictionary_->spell(utf8_ ? common::cp1252_to_utf8(text) : text);
}

std::vector<std::string> Speller::suggestions(std::string_view word) const {
  std::vector<std::string> out;
  if (!dictionary_) return out;
  const std::string text(word);
  for (const std::string& s : dictionary_->suggest(utf8_ ? common::cp1252_to_utf8(text) : text)) {
    out.push_back(utf8_ ? common::utf8_to_cp1252(s) : s);
  }
  return out;
}

bool Speller::add(std::string_view word) {
  const std::string utf8 = common::cp1252_to_utf8(word);
  if (dictionary_) dictionary_->add(utf8_ ? utf8 : std::string(word));
  if (personal_.empty()) return false;
  std::ofstream out(personal_, std::ios::binary | std::ios::app);
  out << utf8 << '\n';
  return static_cast<bool>(out.flush());
}

void Speller::ignore(std::string_view word) {
  ignored_.emplace(word);
}

std::filesystem::path find_spanish_dictionary() {
  std::error_code error;
  for (const char* folder : {"/usr/share/hunspell", "/usr/share/myspell/dicts"}) {
    for (const char* name : {"es_ES", "es", "es_MX", "es_AR"}) {
      const std::filesystem::path aff =
          std::filesystem::path(folder) / (std::string(name) + ".aff");
      if (std::filesystem::exists(aff, error)) return aff;
    }
  }
  return {};
}

}  // namespace qv::editor
