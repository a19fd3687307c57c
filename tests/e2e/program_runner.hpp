// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs the built console programs as child processes in a directory tree, and compares trees.
// Shared by the tests of failed writes, kills and damaged input.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace qv::test {

struct ProgramRun {
  bool exited = false;  // ended by itself, with `status`
  int status = -1;
  int signal = 0;          // the signal that ended it, when it did not exit
  bool timed_out = false;  // still running at the time limit, then killed
  std::string console;
};

struct RunOptions {
  std::optional<rlim_t> file_size_limit;                // RLIMIT_FSIZE, SIGXFSZ ignored
  std::optional<std::chrono::microseconds> kill_after;  // SIGKILL then
  std::chrono::seconds time_limit{30};
};

inline std::string read_text(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs `program` with `args` in `work_dir`; its console goes to a file beside `work_dir`'s tree.
inline ProgramRun run_program(const std::string& program, const std::vector<std::string>& args,
                              const std::filesystem::path& work_dir, const RunOptions& options,
                              const std::filesystem::path& console_file) {
  const pid_t child = ::fork();
  if (child == 0) {
    if (::chdir(work_dir.c_str()) != 0) ::_exit(126);
    const int out = ::open(console_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0 || ::dup2(out, STDOUT_FILENO) < 0) ::_exit(126);
    if (options.file_size_limit) {
      ::signal(SIGXFSZ, SIG_IGN);
      const rlimit limit{*options.file_size_limit, *options.file_size_limit};
      ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  ProgramRun run;
  const auto start = std::chrono::steady_clock::now();
  int status = 0;
  for (;;) {
    const pid_t done = ::waitpid(child, &status, WNOHANG);
    if (done == child) break;
    const auto elapsed = std::chrono::steady_clock::now() - start;
    const bool kill_now = options.kill_after && elapsed >= *options.kill_after;
    if (kill_now || elapsed >= options.time_limit) {
      run.timed_out = !kill_now;
      ::kill(child, SIGKILL);
      ::waitpid(child, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(options.kill_after ? 200 : 2000));
  }
  run.exited = WIFEXITED(status);
  if (run.exited) run.status = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) run.signal = WTERMSIG(status);
  run.console = read_text(console_file);
  return run;
}

// A copy of the tree at `from` whose files are hard links to the originals: every program
// replaces its outputs by renaming, so a run in the copy never changes the original.
inline void link_tree(const std::filesystem::path& from, const std::filesystem::path& to) {
  std::filesystem::remove_all(to);
  std::filesystem::create_directories(to.parent_path());
  std::filesystem::copy(
      from, to,
      std::filesystem::copy_options::recursive | std::filesystem::copy_options::create_hard_links);
}

// Every regular file below `root`, as a path relative to it, and every directory.
inline std::set<std::string> tree_entries(const std::filesystem::path& root) {
  std::set<std::string> entries;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    const std::string relative = entry.path().lexically_relative(root).string();
    entries.insert(entry.is_directory() ? relative + "/" : relative);
  }
  return entries;
}

inline bool same_file_content(const std::filesystem::path& a, const std::filesystem::path& b) {
  struct stat sa {
  }, sb{};
  if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
  if (sa.st_ino == sb.st_ino && sa.st_dev == sb.st_dev) return true;
  if (S_ISDIR(sa.st_mode) || S_ISDIR(sb.st_mode)) return S_ISDIR(sa.st_mode) == S_ISDIR(sb.st_mode);
  return sa.st_size == sb.st_size && read_text(a) == read_text(b);
}

// What differs between two trees, one line per entry; entries below a path in `ignored`
// (relative, such as "CF") are left out.
inline std::vector<std::string> tree_differences(const std::filesystem::path& expected,
                                                 const std::filesystem::path& actual,
                                                 const std::vector<std::string>& ignored = {}) {
  const auto skip = [&](const std::string& entry) {
    for (const std::string& prefix : ignored) {
      if (entry.compare(0, prefix.size(), prefix) == 0 &&
          (entry.size() == prefix.size() || entry[prefix.size()] == '/')) {
        return true;
      }
    }
    return false;
  };
  const std::set<std::string> want = tree_entries(expected);
  const std::set<std::string> have = tree_entries(actual);
  std::vector<std::string> differences;
  for (const std::string& entry : want) {
    if (skip(entry)) continue;
    if (!have.count(entry)) {
      differences.push_back("missing " + entry);
    } else if (!same_file_content(expected / entry, actual / entry)) {
      differences.push_back("differs " + entry);
    }
  }
  for (const std::string& entry : have) {
    if (!skip(entry) && !want.count(entry)) differences.push_back("extra " + entry);
  }
  return differences;
}

}  // namespace qv::test
