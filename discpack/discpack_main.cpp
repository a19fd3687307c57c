// SPDX-License-Identifier: GPL-3.0-or-later
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "discpack/discpack.hpp"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  const int status = qv::discpack::run_discpack(args, std::filesystem::current_path(), std::cout);
  std::cout.flush();
  return status;
}
