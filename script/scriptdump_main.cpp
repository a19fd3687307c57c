#include <filesystem>
#include <iostream>

#include "script/scriptdump.hpp"

int main() {
  qv::script::run_scriptdump(std::filesystem::current_path(), std::cout);
  return 0;
}
