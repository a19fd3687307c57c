// SPDX-License-Identifier: GPL-3.0-or-later
// Times scriptpo's export and import of every room of the full-size sample, each beside the
// one-second budget. The tree (each room's 8script.ccs) is written to a scratch folder first,
// so the figures are the commands' own, file reads and writes included.
// Usage: bench_scriptpo [rounds]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "common/files.hpp"
#include "po/scriptpo.hpp"
#include "tools/sample_disc/sample_disc.hpp"

namespace fs = std::filesystem;

namespace {

// The median time of `rounds` runs of `command`, in milliseconds; false when a run failed.
bool time_runs(int rounds, const std::function<int()>& command, double& median) {
  std::vector<double> times;
  for (int round = 0; round < rounds; ++round) {
    const auto start = std::chrono::steady_clock::now();
    if (command() != 0) return false;
    times.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count());
  }
  std::sort(times.begin(), times.end());
  median = times[times.size() / 2];
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const fs::path root = fs::temp_directory_path() / ("bench_scriptpo_" + std::to_string(getpid()));
  fs::remove_all(root);
  const fs::path work = root / "work";
  fs::create_directories(work);
  for (int room = 0; room < qv::tools::kRoomCount; ++room) {
    const fs::path code = root / "Rooms" / "disk1" / std::to_string(room) / "code";
    fs::create_directories(code);
    qv::common::write_file(code / "8script.ccs", qv::tools::sample_room_script(room, 1));
  }

  std::ostringstream out, errors;
  const std::vector<std::string> export_args = {"export"};
  double export_ms = 0, import_ms = 0;
  const bool exported = time_runs(
      rounds,
      [&] {
        out.str({});
        return qv::po::run_scriptpo(export_args, work, out, errors);
      },
      export_ms);
  std::vector<std::string> import_args = {"import"};
  for (const auto& entry : fs::directory_iterator(root / "po")) {
    import_args.push_back("../po/" + entry.path().filename().string());
  }
  const bool imported =
      exported && time_runs(
                      rounds,
                      [&] {
                        out.str({});
                        return qv::po::run_scriptpo(import_args, work, out, errors);
                      },
                      import_ms);
  fs::remove_all(root);
  if (!imported) {
    std::fprintf(stderr, "bench_scriptpo: a run failed\n%s%s", out.str().c_str(),
                 errors.str().c_str());
    return 2;
  }
  std::printf("%d rooms, %zu PO files, %d rounds\n", qv::tools::kRoomCount, import_args.size() - 1,
              rounds);
  std::printf("export: median %.1f ms, budget 1000 ms, median / budget = %.3f\n", export_ms,
              export_ms / 1000.0);
  std::printf("import: median %.1f ms, budget 1000 ms, median / budget = %.3f\n", import_ms,
              import_ms / 1000.0);
  return export_ms < 1000.0 && import_ms < 1000.0 ? 0 : 1;
}
