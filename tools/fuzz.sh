#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# fuzz.sh SECONDS: builds every libFuzzer harness in build-fuzz and runs each for SECONDS from
# a scratch copy of its seed corpus (fuzz/corpus/<harness>/), with fuzz/<harness>.dict when
# there is one. Prints executions, coverage and findings per harness; exits 1 when any harness
# found a crash or a broken property. Every executable in build-fuzz/fuzz/ is a harness.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:?usage: fuzz.sh SECONDS}
root=$PWD

bash tools/setup.sh clang libfuzzer-14-dev

build=build-fuzz
# gettext's PO library keeps a few allocations of every file it reads; they are its own.
export LSAN_OPTIONS=suppressions=$root/tests/po/lsan.supp:print_suppressions=0
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# The build's output is shown only when it fails.
if ! { CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
         -DQV_BUILD_FUZZERS=ON -DQV_BUILD_TESTS=OFF -DQV_BUILD_BENCHMARKS=OFF \
         -DQV_BUILD_EDITOR=OFF &&
       cmake --build "$build" --target fuzzers -j2; } >"$scratch/build.log" 2>&1; then
  cat "$scratch/build.log"
  exit 1
fi
failed=0
printf '%-22s %12s %8s %8s  %s\n' harness executions cov ft findings
for harness in "$build"/fuzz/*; do
  [ -f "$harness" ] && [ -x "$harness" ] || continue
  name=$(basename "$harness")
  corpus=$scratch/$name/corpus
  artifacts=$scratch/$name/artifacts/
  mkdir -p "$corpus" "$artifacts"
  [ -d "fuzz/corpus/$name" ] && cp -r "fuzz/corpus/$name/." "$corpus/"
  options=(-max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$artifacts"
           -timeout=60 -rss_limit_mb=2048)
  [ -f "fuzz/$name.dict" ] && options+=(-dict="$root/fuzz/$name.dict")
  log=$scratch/$name/log
  status=0
  nice -n 19 "$harness" "${options[@]}" "$corpus" >"$log" 2>&1 || status=$?
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n1)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n1 | cut -d' ' -f2)
  ft=$(grep -o 'ft: [0-9]*' "$log" | tail -n1 | cut -d' ' -f2)
  # A slow unit only says the machine was busy; crashes, leaks, timeouts and running out of memory
  # are findings.
  findings=$(find "$artifacts" -type f ! -name "slow-unit-*" | wc -l)
  printf '%-22s %12s %8s %8s  %s\n' "$name" "${executions:-?}" "${cov:-?}" "${ft:-?}" "$findings"
  if ((status != 0 || findings > 0)); then
    failed=1
    grep -E 'ERROR|property failed|SUMMARY' "$log" | head -n5 | sed 's/^/    /'
    mkdir -p "$build/findings/$name"
    cp -r "$artifacts/." "$build/findings/$name/" 2>/dev/null || true
    echo "    inputs kept in $build/findings/$name/"
  fi
done
exit "$failed"
