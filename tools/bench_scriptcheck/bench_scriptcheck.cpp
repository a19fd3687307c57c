// SPDX-License-Identifier: GPL-3.0-or-later
// Checks every room of the sample disc, each against its source, as scriptcheck does in the
// tree, and prints the time for all rooms beside the one-second budget. The dump texts are made
// in memory first, so the figure is the checks' own. Usage: bench_scriptcheck [rounds]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "check/checks.hpp"
#include "script/dump.hpp"
#include "tools/sample_disc/sample_disc.hpp"

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
  std::vector<std::string> dumps;
  for (int room = 0; room < qv::tools::kRoomCount; ++room) {
    dumps.push_back(*qv::script::dump_room(qv::tools::sample_room_script(room, 1), room).text);
  }
  // A translation that touches every dialogue's first letter, so every comparison is made.
  std::vector<std::string> translations = dumps;
  for (std::string& text : translations) {
    for (std::size_t at = text.find("<params: "); at != std::string::npos;
         at = text.find("<params: ", at + 1)) {
      const std::size_t line = text.find('\n', at) + 1;
      if (line < text.size() && text[line] >= 'a' && text[line] <= 'z') text[line] = 'q';
    }
  }

  std::vector<double> times;
  int dialogues = 0, diagnostics = 0;
  for (int round = 0; round < rounds; ++round) {
    dialogues = diagnostics = 0;
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t room = 0; room < dumps.size(); ++room) {
      const auto report = qv::check::check_dump_text(translations[room], dumps[room]);
      dialogues += report.dialogues;
      diagnostics += static_cast<int>(report.diagnostics.size());
    }
    times.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count());
  }
  std::sort(times.begin(), times.end());
  const double median = times[times.size() / 2];
  std::printf("checked %zu rooms (%d dialogues, %d diagnostics), %d rounds\n", dumps.size(),
              dialogues, diagnostics, rounds);
  std::printf("all rooms: median %.1f ms, fastest %.1f ms, slowest %.1f ms\n", median,
              times.front(), times.back());
  std::printf("budget 1000 ms: median / budget = %.3f\n", median / 1000.0);
  return median < 1000.0 ? 0 : 1;
}
