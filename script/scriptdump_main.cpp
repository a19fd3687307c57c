// SPDX-License-Identifier: GPL-3.0-or-later
#include <filesystem>
#include <iostream>

#include "script/scriptdump.hpp"

int main() {
  return qv::script::run_scriptdump(std::filesystem::current_path(), std::cout) ? 0 : 1;
}
