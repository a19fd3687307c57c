#include <filesystem>
#include <iostream>

#include "rooms/roomdump.hpp"

int main() {
  qv::rooms::run_roomdump(std::filesystem::current_path(), std::cout);
  return 0;
}
