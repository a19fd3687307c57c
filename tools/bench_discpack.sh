#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# discpack's speed against copying the image: over a full-size sample image with 40 rooms
# translated (each fits its sectors), discpack writes a new image and `cp` copies the original,
# to the same disk, side by side. Runs alternate, several rounds; outputs are removed and the
# file system synced between runs. Prints each round's times, the median ratio and the peak
# memory of discpack.
#
#   bash tools/bench_discpack.sh [BUILD_DIR] [ROUNDS]
#
# The scratch folder (about 2.2 GB while the tree is made, 1.5 GB after) lies below BENCH_DIR
# (default: the build directory) and is removed at the end.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$repo/build}" && pwd)
rounds=${2:-5}
target_ratio=1.5
rooms_to_change=40

cmake --build "$build" --target make_sample_disc discunpack roomdump scriptdump scriptpack \
  discpack >/dev/null

scratch=$(mktemp -d "${BENCH_DIR:-$build}/bench_discpack.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

now_ns() { date +%s%N; }
have_gnu_time=false
/usr/bin/time -f %M true >/dev/null 2>&1 && have_gnu_time=true

echo "writing the full-size sample image ..."
"$build/tools/sample_disc/make_sample_disc" "$scratch/cd1.iso" --full
echo "image: $(stat -c %s "$scratch/cd1.iso") bytes"

# The tree discpack reads: the rooms dumped, $rooms_to_change of them with a line shortened, so
# their archives change and stay in their sectors.
echo "extracting and dumping the rooms ..."
mkdir -p "$scratch/work"
cd "$scratch/work"
"$build/disc/discunpack" ../cd1.iso >/dev/null
find "$scratch" -mindepth 1 -maxdepth 1 -type d ! -name work ! -iname rooms -exec rm -rf {} +
"$build/rooms/roomdump" >/dev/null
"$build/script/scriptdump" >/dev/null
mapfile -t dumps < <(grep -l 'The river is quiet tonight' "$scratch"/Rooms/disk1/*/code/outscript.txt |
  sort -V | head -n "$rooms_to_change")
((${#dumps[@]} == rooms_to_change)) ||
  { echo "only ${#dumps[@]} rooms hold the line to change"; exit 1; }
for dump in "${dumps[@]}"; do
  sed -i 's/The river is quiet tonight/El rio duerme/' "$dump"
done
"$build/pack/scriptpack" >/dev/null
"$build/discpack/discpack" ../cd1.iso ../new.bin >"$scratch/discpack.log" || true
in_place=$(grep -c '^Room .* replaced in place' "$scratch/discpack.log" || true)
((in_place == rooms_to_change)) ||
  { cat "$scratch/discpack.log"; echo "expected $rooms_to_change rooms in place"; exit 1; }
rm -f ../new.bin
sync

pack_times=() copy_times=() ratios=() peak_kib=0

run_pack() {
  sync
  local start end rss
  start=$(now_ns)
  if $have_gnu_time; then
    /usr/bin/time -o "$scratch/rss" -f %M "$build/discpack/discpack" ../cd1.iso ../new.bin >/dev/null
    rss=$(tail -n 1 "$scratch/rss")
    ((rss > peak_kib)) && peak_kib=$rss
  else
    "$build/discpack/discpack" ../cd1.iso ../new.bin >/dev/null
  fi
  end=$(now_ns)
  pack_ns=$((end - start))
  rm -f ../new.bin
  sync
}

run_copy() {
  sync
  local start end
  start=$(now_ns)
  cp ../cd1.iso ../copy.bin
  end=$(now_ns)
  copy_ns=$((end - start))
  rm -f ../copy.bin
  sync
}

seconds() { awk -v ns="$1" 'BEGIN {printf "%.3f", ns / 1e9}'; }
median() { printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

for ((round = 1; round <= rounds; ++round)); do
  if ((round % 2)); then run_pack; run_copy; else run_copy; run_pack; fi
  ratio=$(awk -v a="$pack_ns" -v b="$copy_ns" 'BEGIN {printf "%.3f", a / b}')
  pack_times+=("$(seconds "$pack_ns")") copy_times+=("$(seconds "$copy_ns")") ratios+=("$ratio")
  echo "round $round: discpack $(seconds "$pack_ns") s, cp $(seconds "$copy_ns") s, ratio $ratio"
done

median_ratio=$(median "${ratios[@]}")
echo "rooms replaced in place: $in_place"
echo "median discpack: $(median "${pack_times[@]}") s"
echo "median cp:       $(median "${copy_times[@]}") s"
echo "median ratio:    $median_ratio (target at most $target_ratio)"
$have_gnu_time && echo "peak memory:     $peak_kib KiB"
awk -v r="$median_ratio" -v t="$target_ratio" 'BEGIN {exit !(r <= t)}' || echo "ABOVE TARGET"
