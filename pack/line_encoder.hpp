#pragma once
// The line encoder: one line of dump text (character names, bracketed tags and plain
// characters) to game text codes.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv::pack {

inline constexpr std::string_view kUnsupportedTag = "Unsupported <> string !!!\n";
inline constexpr std::string_view kUnsupportedCharacter = "unsuported!\n";

// Appends the codes of one line, its line break included, to `out`. The line is read as a C
// string: a NUL byte ends it. Unknown tags and characters give no bytes and append their
// message to `console`; encoding goes on after them. A "<" without ">" makes the rest of the
// line (line break included) one unsupported tag. Never reads outside `line`.
void encode_line(std::string_view line, std::vector<std::uint8_t>& out, std::string& console);

}  // namespace qv::pack
