// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Spelling of the translation with Hunspell. Qt-free: works on code page 1252 bytes and box
// positions (each CR LF counts once).
#include <cstddef>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

class Hunspell;

namespace qv::editor {

// A word of a dialogue as the spelling looks at it.
struct Word {
  std::size_t begin = 0;  // box positions
  std::size_t end = 0;
  std::string text;  // code page 1252
};

// The words of a dialogue's text lines that the spelling checks: runs of letters (with inner
// apostrophes) outside tags. The frame lines (header lines, "<Text block " lines) are skipped,
// and so are the game's character names and every word that touches a tag, since an accent
// token completes it ("habl<a>") and a name tag stands for a word.
std::vector<Word> spelling_words(std::string_view dialogue);

// A Hunspell dictionary with the translator's own words and the words ignored for this run.
class Speller {
 public:
  Speller();
  ~Speller();
  Speller(const Speller&) = delete;
  Speller& operator=(const Speller&) = delete;

  // Loads a dictionary (".aff" and ".dic" side by side); false when either cannot be read.
  bool load(const std::filesystem::path& aff, const std::filesystem::path& dic);
  bool loaded() const { return dictionary_ != nullptr; }

  // Reads the personal word list (one word a line, UTF-8) at `path`; a missing file is empty.
  void load_personal(const std::filesystem::path& path);

  // Whether a word (code page 1252) is spelt right; true while no dictionary is loaded.
  bool correct(std::string_view word) const;
  // Suggestions for a word, code page 1252.
  std::vector<std::string> suggestions(std::string_view word) const;

  // Adds a word to the dictionary and appends it to the personal word list at `path` (the one
  // given to load_personal); false when the list cannot be written.
  bool add(std::string_view word);
  // Takes a word as right until the program ends.
  void ignore(std::string_view word);

 private:
  std::unique_ptr<Hunspell> dictionary_;
  std::filesystem::path personal_;
  std::set<std::string> ignored_;
  bool utf8_ = true;
};

// The first Spanish dictionary found among the usual places, as the ".aff" path; empty when
// there is none.
std::filesystem::path find_spanish_dictionary();

}  // namespace qv::editor
