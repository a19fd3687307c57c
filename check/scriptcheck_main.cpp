// SPDX-License-Identifier: GPL-3.0-or-later
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "check/scriptcheck.hpp"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  const int status =
      qv::check::run_scriptcheck(args, std::filesystem::current_path(), std::cout, std::cerr);
  std::cout.flush();
  return status;
}
