// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/paths.hpp"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <optional>
#include <system_error>
#include <vector>

namespace qv::common {

std::string format_path(const char* pattern, ...) {
  std::va_list args;
  va_start(args, pattern);
  std::va_list copy;
  va_copy(copy, args);
  const int length = std::vsnprintf(nullptr, 0, pattern, copy);
  va_end(copy);
  std::string text(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
  if (length > 0) std::vsnprintf(text.data(), text.size() + 1, pattern, args);
  va_end(args);
  return text;
}

namespace {

bool same_ignoring_case(const std::string& a, const std::string& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    return lower(x) == lower(y);
  });
}

// The existing entry of `directory` that spells `name` in another case, if any.
std::optional<std::string> find_other_spelling(const std::filesystem::path& directory,
                                               const std::string& name) {
  std::error_code error;
  std::filesystem::directory_iterator it(directory.empty() ? "." : directory, error);
  if (error) return std::nullopt;
  std::vector<std::string> matches;
  for (const auto& entry : it) {
    std::string candidate = entry.path().filename().string();
    if (same_ignoring_case(candidate, name)) matches.push_back(std::move(candidate));
  }
  if (matches.empty()) return std::nullopt;
  return *std::min_element(matches.begin(), matches.end());
}

}  // namespace

std::filesystem::path resolve_path(const std::filesystem::path& path) {
  std::filesystem::path resolved;
  bool still_existing = true;
  for (const auto& component : path) {
    const std::string name = component.string();
    if (name.empty()) continue;  // doubled separators
    if (!still_existing || component == "." || component == ".." || component == path.root_name() ||
        component == path.root_directory()) {
      resolved /= component;
      continue;
    }
    std::error_code error;
    if (std::filesystem::exists(resolved / component, error)) {
      resolved /= component;
    } else if (auto other = find_other_spelling(resolved, name)) {
      resolved /= *other;
    } else {
      resolved /= component;
      still_existing = false;
    }
  }
  return resolved;
}

std::filesystem::path room_code_dir(const std::filesystem::path& work_dir, int room) {
  return resolve_path(work_dir / format_path("..//rooms//disk1//%d//code//", room));
}

std::string shown_beside(const std::filesystem::path& work_dir, const std::filesystem::path& path) {
  return (std::filesystem::path("..") / path.lexically_relative(work_dir / "..")).string();
}

void make_directory(const std::filesystem::path& path) {
  std::error_code ignored;
  std::filesystem::create_directory(resolve_path(path), ignored);
}

}  // namespace qv::common
