// SPDX-License-Identifier: GPL-3.0-or-later
// Compresses a generated, dialogue-like script of about 30 KB with the brute-force search and
// with the hash-chain search in one run, checks that both give the same bytes and prints the
// timings and their ratio. Usage: bench_compress [target bytes] [repetitions of the fast search]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "pack/compressor.hpp"
#include "pack/script_builder.hpp"
#include "script/vocabulary.hpp"

namespace {

using Clock = std::chrono::steady_clock;

// Dump text of a room with lines that read like the game's dialogue: names, tokens, control tags
// and a stock of phrases that recur with small changes, as a room's conversations do.
std::string dialogue_dump_text(std::size_t target_script_bytes, unsigned seed) {
  std::mt19937 random(seed);
  auto pick = [&](std::size_t count) {
    return std::uniform_int_distribution<std::size_t>(0, count - 1)(random);
  };
  const std::vector<std::string> phrases = {
      "Where have you been all this time?",
      "The gate to the east is sealed.",
      "I heard the bell ring twice.",
      "Bring me three river stones, and I will tell you more.",
      "Nobody goes into the old mill after dark.",
      "Thank you, traveller!",
      "The harvest was poor this year...",
      "Have you seen my brother?",
      "Hmm. That is not what I asked for.",
      "Come back when you are ready.",
      "The lake is frozen, so we cannot fish.",
      "Take this, it may help you on the road."};
  const std::vector<std::string> tags = {"<Delay 10>", "<Speed 2>", "<Color 3>", "<New>",
                                         "<Upcase>",   "<Close>",   "<'s>",      "< >",
                                         "<you>",      "<Choose 2>"};
  std::vector<std::string> names;
  for (std::uint8_t i = 0; i < 12; ++i) names.emplace_back(qv::script::character_name(i));

  std::vector<std::string> blocks;
  std::size_t estimate = 0;
  while (estimate < target_script_bytes) {
    std::string block;
    const std::size_t lines = 1 + pick(5);
    for (std::size_t l = 0; l < lines; ++l) {
      std::string line = names[pick(names.size())] + ": ";
      if (pick(3) == 0) line += tags[pick(tags.size())];
      line += phrases[pick(phrases.size())];
      if (pick(2) == 0) line += " " + names[pick(names.size())] + "!";
      if (pick(4) == 0) line += tags[pick(tags.size())];
      block += line + "\r\n";
      estimate += line.size() * 9 / 10 + 1;  // names and tags take fewer bytes than letters
    }
    blocks.push_back(block + "<Close>\r\n");
    estimate += 2 + 8;
  }
  std::string text = "<Room 1 with " + std::to_string(blocks.size()) +
                     " text entries>\r\n<additional params: 0 0 0 0 0 0 0 1>\r\n";
  for (std::size_t k = 0; k < blocks.size(); ++k) {
    text += "\r\n<Text block " + std::to_string(k + 1) + "><params: " + std::to_string(k % 7) +
            " 0 1 0 " + std::to_string(k % 3) + " 0>\r\n" + blocks[k] + "<End of block>\r\n";
  }
  return text;
}

template <typename Work>
double seconds_per_run(Work&& work, int repetitions) {
  const auto start = Clock::now();
  for (int i = 0; i < repetitions; ++i) work();
  return std::chrono::duration<double>(Clock::now() - start).count() / repetitions;
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t target = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 30000;
  const int repetitions = argc > 2 ? std::atoi(argv[2]) : 200;

  const std::string text = dialogue_dump_text(target, 7);
  const auto built = qv::pack::build_script(
      std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
  if (built.refusal || !built.console.empty()) {
    std::printf("the generated dump text did not pack cleanly\n");
    return 1;
  }
  const std::vector<std::uint8_t>& script = built.script;

  std::vector<std::uint8_t> slow, fast;
  const double slow_seconds = seconds_per_run(
      [&] { slow = qv::pack::compress(script, qv::pack::SearchStrategy::brute_force); }, 1);
  const double fast_seconds = seconds_per_run(
      [&] { fast = qv::pack::compress(script, qv::pack::SearchStrategy::hash_chains); },
      repetitions);

  std::printf("script: %zu bytes, compressed stream: %zu bytes\n", script.size(), fast.size());
  std::printf("brute force: %10.3f ms\n", slow_seconds * 1e3);
  std::printf("hash chains: %10.3f ms (mean of %d runs)\n", fast_seconds * 1e3, repetitions);
  std::printf("ratio:       %10.1f x\n", slow_seconds / fast_seconds);
  std::printf("identical:   %s\n", slow == fast ? "yes" : "NO");
  return slow == fast ? 0 : 1;
}
