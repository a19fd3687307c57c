// SPDX-License-Identifier: GPL-3.0-or-later
#include <filesystem>
#include <iostream>

#include "pack/scriptpack.hpp"

int main() {
  return qv::pack::run_scriptpack(std::filesystem::current_path(), std::cout) ? 0 : 1;
}
