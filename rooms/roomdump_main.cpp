// SPDX-License-Identifier: GPL-3.0-or-later
#include <filesystem>
#include <iostream>

#include "rooms/roomdump.hpp"

int main() {
  return qv::rooms::run_roomdump(std::filesystem::current_path(), std::cout) ? 0 : 1;
}
