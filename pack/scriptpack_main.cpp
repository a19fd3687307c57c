#include <filesystem>
#include <iostream>

#include "pack/scriptpack.hpp"

int main() {
  qv::pack::run_scriptpack(std::filesystem::current_path(), std::cout);
  return 0;
}
