#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Extraction speed against the floor that the file system sets: discunpack over a full-size
# sample image, and `cp -r` of the tree it extracted (the same 5618 files, the same bytes) to a
# fresh folder on the same disk. Runs alternate, several rounds; outputs are removed and the
# file system synced between runs. Prints each round, the median ratio and the peak memory.
#
#   bash tools/bench_discunpack.sh [BUILD_DIR] [ROUNDS]
#
# The scratch folder (about 1.4 GB) lies below BENCH_DIR (default: the build directory) and is
# removed at the end.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$repo/build}" && pwd)
rounds=${2:-9}
target_ratio=1.2

cmake --build "$build" --target discunpack make_sample_disc >/dev/null
discunpack=$build/disc/discunpack
make_sample_disc=$build/tools/sample_disc/make_sample_disc

scratch=$(mktemp -d "${BENCH_DIR:-$build}/bench_discunpack.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

now_ns() { date +%s%N; }

# Peak resident memory in KiB of a command, through GNU time when it is there.
have_gnu_time=false
/usr/bin/time -f %M true >/dev/null 2>&1 && have_gnu_time=true

echo "writing the full-size sample image ..."
"$make_sample_disc" "$scratch/cd1.iso" --full
echo "image: $(stat -c %s "$scratch/cd1.iso") bytes"

# The reference tree that cp copies: one extraction, file.tbl and the working folder left out.
mkdir -p "$scratch/reference/work"
(cd "$scratch/reference/work" && "$discunpack" ../../cd1.iso >/dev/null)
mapfile -t categories < <(find "$scratch/reference" -mindepth 1 -maxdepth 1 -type d ! -name work)
files=$(find "${categories[@]}" -type f | wc -l)
bytes=$(find "${categories[@]}" -type f -printf '%s\n' | awk '{s += $1} END {print s}')
echo "tree: $files files, $bytes bytes"
sync

extract_times=() copy_times=() ratios=() peak_kib=0

run_extract() {
  mkdir -p "$scratch/run/work"
  sync
  local start end rss_file=$scratch/rss
  start=$(now_ns)
  if $have_gnu_time; then
    (cd "$scratch/run/work" && /usr/bin/time -o "$rss_file" -f %M "$discunpack" ../../cd1.iso >/dev/null)
  else
    (cd "$scratch/run/work" && "$discunpack" ../../cd1.iso >/dev/null & pid=$!
     hwm=0
     while kill -0 "$pid" 2>/dev/null; do
       h=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status" 2>/dev/null || echo 0)
       ((h > hwm)) && hwm=$h
       sleep 0.05
     done
     wait "$pid"
     echo "$hwm" >"$rss_file")
  fi
  end=$(now_ns)
  local rss
  rss=$(tail -n 1 "$rss_file")
  ((rss > peak_kib)) && peak_kib=$rss
  extract_ns=$((end - start))
  rm -rf "$scratch/run"
  sync
}

run_copy() {
  mkdir -p "$scratch/copy"
  sync
  local start end
  start=$(now_ns)
  cp -r "${categories[@]}" "$scratch/copy/"
  end=$(now_ns)
  copy_ns=$((end - start))
  rm -rf "$scratch/copy"
  sync
}

seconds() { awk -v ns="$1" 'BEGIN {printf "%.3f", ns / 1e9}'; }
median() { printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

for ((round = 1; round <= rounds; ++round)); do
  if ((round % 2)); then run_extract; run_copy; else run_copy; run_extract; fi
  ratio=$(awk -v a="$extract_ns" -v b="$copy_ns" 'BEGIN {printf "%.3f", a / b}')
  extract_times+=("$(seconds "$extract_ns")") copy_times+=("$(seconds "$copy_ns")") ratios+=("$ratio")
  echo "round $round: discunpack $(seconds "$extract_ns") s, cp -r $(seconds "$copy_ns") s, ratio $ratio"
done

median_ratio=$(median "${ratios[@]}")
echo "median discunpack: $(median "${extract_times[@]}") s"
echo "median cp -r:      $(median "${copy_times[@]}") s"
echo "median ratio:      $median_ratio (target at most $target_ratio)"
echo "peak memory:       $peak_kib KiB"
awk -v r="$median_ratio" -v t="$target_ratio" 'BEGIN {exit !(r <= t)}' || echo "ABOVE TARGET"
