// SPDX-License-Identifier: GPL-3.0-or-later
// The built console programs as a user runs them: their exit status and console when a write
// fails, what a second run leaves after a kill, and how they take damaged input.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <random>
#include <regex>

#include "common/files.hpp"
#include "pack/compressor.hpp"
#include "pack/script_builder.hpp"
#include "tests/e2e/program_runner.hpp"
#include "tests/support/scratch_dir.hpp"
#include "tools/sample_disc/sample_disc.hpp"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using qv::test::ProgramRun;
using qv::test::RunOptions;

namespace {

struct Program {
  const char* name;
  std::string path;
  std::vector<std::string> args;
};

const Program kPrograms[] = {
    {"discunpack", QV_DISCUNPACK, {"../disc.img"}},
    {"roomdump", QV_ROOMDUMP, {}},
    {"scriptdump", QV_SCRIPTDUMP, {}},
    {"scriptpack", QV_SCRIPTPACK, {}},
};
constexpr int kProgramCount = 4;

// discpack runs last, after one room's script was changed, so that it has a room to put in.
const Program kDiscpack = {"discpack", QV_DISCPACK, {"../disc.img", "../translated.bin"}};
constexpr int kChangedRoom = 1;

int number_from_environment(const char* name, int fallback) {
  const char* value = std::getenv(name);
  return value && *value ? std::atoi(value) : fallback;
}

// The trees of one undisturbed run, built once per test run: stage k is the tree after the
// first k programs, stage 0 holds only the sample image. The trees share files by hard links.
class Reference {
 public:
  static Reference& get() {
    static Reference reference;
    return reference;
  }
  ~Reference() { fs::remove_all(base_); }

  const fs::path& base() const { return base_; }
  fs::path stage(int k) const { return base_ / ("stage" + std::to_string(k)); }
  std::chrono::microseconds duration(int program) const { return durations_[program]; }

  // The tree of the last stage with room kChangedRoom's "8script" packed from a changed dump
  // text, and that tree after discpack.
  fs::path changed() const { return base_ / "changed"; }
  fs::path packed() const { return base_ / "packed"; }
  std::chrono::microseconds discpack_duration() const { return discpack_duration_; }

  // Runs `program` in the tree `root`, its console kept outside every tree.
  ProgramRun run(int program, const fs::path& root, const RunOptions& options = {}) const {
    return run(kPrograms[program], root, options);
  }
  ProgramRun run(const Program& program, const fs::path& root,
                 const RunOptions& options = {}) const {
    return qv::test::run_program(program.path, program.args, root / "work", options,
                                 base_ / "console.txt");
  }

 private:
  Reference() : base_(qv::test::scratch_dir("qv_programs")) {
    fs::remove_all(base_);
    fs::create_directories(stage(0) / "work");
    ok_ = qv::tools::write_sample_disc(stage(0) / "disc.img", {});
    for (int k = 0; k < kProgramCount && ok_; ++k) {
      qv::test::link_tree(stage(k), stage(k + 1));
      const auto start = std::chrono::steady_clock::now();
      const ProgramRun result = run(k, stage(k + 1));
      durations_[k] = std::chrono::duration_cast<std::chrono::microseconds>(
          std::chrono::steady_clock::now() - start);
      ok_ = result.exited && result.status == 0;
    }
    if (ok_) ok_ = prepare_discpack();
  }

  bool prepare_discpack() {
    qv::test::link_tree(stage(kProgramCount), changed());
    const fs::path code = changed() / "Rooms/disk1" / std::to_string(kChangedRoom) / "code";
    const auto dump = qv::common::read_file(code / "outscript.txt");
    const auto header = qv::common::read_file(code / "8script.dat");
    if (!dump || !header || header->size() < 4) return false;
    std::string text(dump->begin(), dump->end());
    const std::size_t letter =
        text.find_first_of("abcdefghijklmnopqrstuvwxyz", text.find("<params"));
    if (letter == std::string::npos) return false;
    text[letter] = text[letter] == 'q' ? 'x' : 'q';
    const auto built = qv::pack::build_script(
        std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    if (built.refusal) return false;
    const auto compressed = qv::pack::write_compressed_script(
        built.script, {(*header)[0], (*header)[1], (*header)[2], (*header)[3]});
    if (!qv::common::write_file(code / "8script", compressed)) return false;
    qv::test::link_tree(changed(), packed());
    const auto start = std::chrono::steady_clock::now();
    const ProgramRun result = run(kDiscpack, packed());
    discpack_duration_ = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - start);
    return result.exited && result.status == 0 && fs::exists(packed() / "translated.bin");
  }

 public:
  bool ok_ = false;

 private:
  fs::path base_;
  std::chrono::microseconds durations_[kProgramCount]{};
  std::chrono::microseconds discpack_duration_{};
};

class Programs : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(reference().ok_) << "the undisturbed run failed"; }
  static Reference& reference() { return Reference::get(); }
  static fs::path tree() { return reference().base() / "round" / "tree"; }
  static std::string trace_of(const ProgramRun& run) {
    return "status " + std::to_string(run.status) + ", signal " + std::to_string(run.signal) +
           (run.timed_out ? ", hung" : "") + "\n" + run.console.substr(0, 2000);
  }
};

bool has_scratch(const fs::path& root) {
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.path().extension() == ".partial") return true;
  }
  return false;
}

TEST_F(Programs, AFullDiskNamesTheFileAndKeepsEveryOutput) {
  // Limits under some outputs and above others of each program.
  const rlim_t limits[kProgramCount] = {4096, 1024, 2048, 1024};
  const std::regex named_failure(R"(cannot write \S+: File too large)");
  for (int k = 0; k < kProgramCount; ++k) {
    SCOPED_TRACE(kPrograms[k].name);
    // Over a tree that already holds every output, so each one must come out as it was.
    qv::test::link_tree(reference().stage(k + 1), tree());
    RunOptions options;
    options.file_size_limit = limits[k];
    const ProgramRun run = reference().run(k, tree(), options);
    EXPECT_TRUE(run.exited && run.status == 1) << trace_of(run);
    EXPECT_TRUE(std::regex_search(run.console, named_failure)) << trace_of(run);
    // The bit file is each room's own scratch: it holds the last room that was written.
    EXPECT_EQ(qv::test::tree_differences(reference().stage(k + 1), tree(), {"work/temp"}),
              std::vector<std::string>{});
  }
}

TEST_F(Programs, ABlockedPathFailsOnlyWhatLiesBehindIt) {
  const struct {
    int program;
    const char* blocked;  // replaced by the opposite kind: a file for a folder and back
    const char* message;
  } cases[] = {
      {0, "CF", "[cannot write ../CF/disk1/0025.out: Not a directory]"},
      {1, "Rooms/disk1/7", "Room 7, file 0377.out: cannot write 0: Not a directory"},
      {2, "Rooms/disk1/7/code/outscript.txt", "cannot write outscript.txt: Is a directory"},
      {3, "Rooms/disk1/7/code/8script", "Room 7 not packed: cannot write 8script: Is a directory"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(kPrograms[c.program].name);
    qv::test::link_tree(reference().stage(c.program + 1), tree());
    const fs::path blocked = tree() / c.blocked;
    const bool was_folder = fs::is_directory(blocked);
    fs::remove_all(blocked);
    if (was_folder) {
      ASSERT_TRUE(qv::common::write_file(blocked, std::string_view("in the way")));
    } else {
      fs::create_directories(blocked / "in the way");
    }
    const ProgramRun run = reference().run(c.program, tree());
    EXPECT_TRUE(run.exited && run.status == 1) << trace_of(run);
    EXPECT_NE(run.console.find(c.message), std::string::npos) << trace_of(run);
    EXPECT_EQ(qv::test::tree_differences(reference().stage(c.program + 1), tree(), {c.blocked}),
              std::vector<std::string>{});
    EXPECT_EQ(fs::is_directory(blocked), !was_folder);
  }
}

TEST_F(Programs, AReadOnlyFolderFailsTheRoom) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  qv::test::link_tree(reference().stage(4), tree());
  const fs::path code = tree() / "Rooms/disk1/7/code";
  fs::permissions(code, fs::perms::owner_read | fs::perms::owner_exec);
  const ProgramRun run = reference().run(3, tree());
  fs::permissions(code, fs::perms::owner_all);
  EXPECT_TRUE(run.exited && run.status == 1) << trace_of(run);
  EXPECT_NE(run.console.find("Room 7 not packed: cannot write script: Permission denied"),
            std::string::npos)
      << trace_of(run);
  EXPECT_EQ(qv::test::tree_differences(reference().stage(4), tree()), std::vector<std::string>{});
}

TEST_F(Programs, ARunAfterAKillLeavesWhatAnUndisturbedRunLeaves) {
  const int kills = number_from_environment("QV_KILL_ROUNDS", 2);
  std::mt19937_64 random(number_from_environment("QV_KILL_SEED", 7));
  for (int k = 0; k < kProgramCount; ++k) {
    for (int round = 0; round < kills; ++round) {
      const auto delay = std::chrono::microseconds(
          std::uniform_int_distribution<std::int64_t>(0, reference().duration(k).count())(random));
      SCOPED_TRACE(std::string(kPrograms[k].name) + " killed after " +
                   std::to_string(delay.count()) + " us");
      qv::test::link_tree(reference().stage(k), tree());
      RunOptions options;
      options.kill_after = delay;
      reference().run(k, tree(), options);
      const ProgramRun again = reference().run(k, tree());
      EXPECT_TRUE(again.exited && again.status == 0) << trace_of(again);
      EXPECT_EQ(qv::test::tree_differences(reference().stage(k + 1), tree()),
                std::vector<std::string>{});
    }
  }
}

TEST_F(Programs, ADiscpackRunAfterAKillLeavesWhatAnUndisturbedRunLeaves) {
  const int kills = number_from_environment("QV_KILL_ROUNDS", 2);
  std::mt19937_64 random(number_from_environment("QV_KILL_SEED", 7));
  for (int round = 0; round < kills; ++round) {
    const auto delay = std::chrono::microseconds(std::uniform_int_distribution<std::int64_t>(
        0, reference().discpack_duration().count())(random));
    SCOPED_TRACE("discpack killed after " + std::to_string(delay.count()) + " us");
    qv::test::link_tree(reference().changed(), tree());
    RunOptions options;
    options.kill_after = delay;
    reference().run(kDiscpack, tree(), options);
    const ProgramRun again = reference().run(kDiscpack, tree());
    EXPECT_TRUE(again.exited && again.status == 0) << trace_of(again);
    EXPECT_EQ(qv::test::tree_differences(reference().packed(), tree()), std::vector<std::string>{});
  }
}

// The input of each program that a damage round spoils, for room `room`.
fs::path damaged_input(int program, int room) {
  char name[64];
  switch (program) {
    case 0:
      return "disc.img";
    case 1:
      std::snprintf(name, sizeof name, "Rooms/disk1/%04d.out", 356 + 3 * room);
      return name;
    case 2:
      return "Rooms/disk1/" + std::to_string(room) + "/code/8script";
    default:
      return "Rooms/disk1/" + std::to_string(room) + "/code/outscript.txt";
  }
}

// Rooms that a console refused, by the files they must have kept.
std::map<int, std::vector<std::string>> refused_rooms(int program, const std::string& console) {
  std::map<int, std::vector<std::string>> rooms;
  static const std::regex dump_line(R"(^(\d+) (.*)$)");
  static const std::regex pack_line(R"(^Room (\d+) not packed: )");
  std::istringstream lines(console);
  std::string line;
  while (std::getline(lines, line)) {
    std::smatch m;
    if (program == 2 && std::regex_match(line, m, dump_line)) {
      const int room = std::stoi(m[1]);
      if (m[2].str().find("room skipped") != std::string::npos) {
        rooms[room] = {"outscript.txt", "8script.ccs", "8script.dat"};
      } else if (m[2].str().find(" no dump written: ") != std::string::npos) {
        rooms[room] = {"outscript.txt"};
      }
    } else if (program == 3 && std::regex_search(line, m, pack_line)) {
      rooms[std::stoi(m[1])] = {"script", "8script"};
    }
  }
  return rooms;
}

TEST_F(Programs, DamagedInputNeverCrashesHangsOrLosesOutputs) {
  const int rounds = number_from_environment("QV_DAMAGE_ROUNDS", 20);
  const int seed = number_from_environment("QV_DAMAGE_SEED", 1);
  const fs::path parent = tree().parent_path();
  const fs::path before = reference().base() / "before";
  const auto outside_tree = [&] {
    std::set<std::string> entries = qv::test::tree_entries(parent);
    std::erase_if(entries, [](const std::string& e) { return e.starts_with("tree/"); });
    return entries;
  };
  for (int round = 0; round < rounds; ++round) {
    std::mt19937_64 random(static_cast<std::uint64_t>(seed) * 1000003u + round);
    const int first = round % kProgramCount;
    const int room = std::uniform_int_distribution<int>(0, 536)(random);
    const fs::path input = damaged_input(first, room);
    SCOPED_TRACE("round " + std::to_string(round) + " (seed " + std::to_string(seed) +
                 "): " + input.string());

    // Over a tree that holds every output of an undisturbed run.
    qv::test::link_tree(reference().stage(4), tree());
    auto bytes = qv::common::read_file(tree() / input);
    ASSERT_TRUE(bytes);
    std::uniform_int_distribution<std::size_t> position(0, bytes->empty() ? 0 : bytes->size() - 1);
    std::uniform_int_distribution<int> flip(1, 255);
    for (std::size_t n = 0; !bytes->empty() && n < std::max<std::size_t>(1, bytes->size() / 100);
         ++n) {
      (*bytes)[position(random)] ^= static_cast<std::uint8_t>(flip(random));
    }
    fs::remove(tree() / input);  // not through the hard link
    ASSERT_TRUE(qv::common::write_file(tree() / input, *bytes));

    const std::set<std::string> outside = outside_tree();
    for (int k = first; k < kProgramCount; ++k) {
      SCOPED_TRACE(kPrograms[k].name);
      qv::test::link_tree(tree(), before);
      const ProgramRun run = reference().run(k, tree());
      ASSERT_FALSE(run.timed_out) << trace_of(run);
      ASSERT_TRUE(run.exited && (run.status == 0 || run.status == 1)) << trace_of(run);
      EXPECT_EQ(outside_tree(), outside);
      for (const auto& [refused, kept] : refused_rooms(k, run.console)) {
        const fs::path code = fs::path("Rooms/disk1") / std::to_string(refused) / "code";
        for (const std::string& name : kept) {
          const bool existed = fs::exists(before / code / name);
          EXPECT_EQ(fs::exists(tree() / code / name), existed) << code / name;
          if (existed) {
            EXPECT_TRUE(qv::test::same_file_content(before / code / name, tree() / code / name))
                << code / name;
          }
        }
      }
    }
    EXPECT_FALSE(has_scratch(tree()));
  }
  fs::remove_all(before);
  fs::remove_all(tree());
}

}  // namespace
