// SPDX-License-Identifier: GPL-3.0-or-later
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "disc/discunpack.hpp"

int main(int argc, char** argv) {
  // One line per file: let the stream buffer the console instead of flushing each line.
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  const int status = qv::disc::run_discunpack(args, std::filesystem::current_path(), std::cout);
  std::cout.flush();
  return status;
}
