// SPDX-License-Identifier: GPL-3.0-or-later
// make_sample_disc OUTPUT [--full]: writes a raw disc image of our own content.
#include <cstdio>
#include <string_view>

#include "tools/sample_disc/sample_disc.hpp"

int main(int argc, char** argv) {
  const bool full = argc == 3 && std::string_view(argv[2]) == "--full";
  if (argc < 2 || argc > 3 || (argc == 3 && !full)) {
    std::fprintf(stderr, "usage: make_sample_disc OUTPUT [--full]\n");
    return 2;
  }
  if (!qv::tools::write_sample_disc(argv[1], {.full = full})) {
    std::fprintf(stderr, "make_sample_disc: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
