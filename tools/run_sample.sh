#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets up, builds and runs the whole chain on a sample disc image of our own:
# make the image, discunpack, roomdump, scriptdump, scriptpack over the dump texts and the round
# trip check, then a demo translation through scriptpo and scriptcheck, scriptpack again, and
# discpack into a translated image and an xdelta3 patch from the original to it.
# Everything lands in out/sample/ (pass --full for an image of the real disc's full size).
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
bash tools/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=(make_sample_disc discunpack roomdump scriptdump scriptpack round_trip_check scriptpo
  scriptcheck discpack)
# The editor is built too where Qt 6 is there.
cmake --build build --target help | grep textbench >/dev/null && targets+=(textbench)
cmake --build build -j"$(nproc)" --target "${targets[@]}" >/dev/null

sample=$top/out/sample
rm -rf "$sample"
mkdir -p "$sample/work"
build/tools/sample_disc/make_sample_disc "$sample/disc.img" "$@"

# The console programs run from a working directory beside the tree they write.
cd "$sample/work"
"$top/build/disc/discunpack" ../disc.img >../discunpack.log
"$top/build/rooms/roomdump" >../roomdump.log
"$top/build/script/scriptdump" >../scriptdump.log
"$top/build/pack/scriptpack" >../scriptpack.log
# Every untouched room must come back as the game had it; this reads the tree and writes nothing.
round_trip_status=0
"$top/build/tools/round_trip/round_trip_check" >../round_trip.log || round_trip_status=$?

# The team's way: every room as a PO file, then a small demo translation of a few rooms, shipped
# as PO files with the tools, merged into the editor's per-room files, checked and placed where
# scriptpack reads it.
"$top/build/po/scriptpo" export --out ../po >../scriptpo_export.log
"$top/build/po/scriptpo" import "$top"/tools/demo_translation/*.po --translations ../translation \
  >../scriptpo_import.log
"$top/build/po/scriptpo" place --translations ../translation >../scriptpo_place.log
mapfile -t edited_rooms < <(find ../translation/"Scripts Modificados" -mindepth 1 -maxdepth 1 \
  -type d -name 'Room *' -printf '%f\n' | sed 's/^Room //' | sort -n)
check_status=0
"$top/build/check/scriptcheck" >../scriptcheck.log || check_status=$?
((check_status <= 1)) || { cat ../scriptcheck.log; exit 1; }
"$top/build/pack/scriptpack" >../scriptpack_translated.log

# discpack ends with status 1 when rooms were left out (each is named); the image holds the rest.
discpack_status=0
"$top/build/discpack/discpack" ../disc.img ../translated.bin >../discpack.log || discpack_status=$?
if ((discpack_status > 1)) || [ ! -f "$sample/translated.bin" ]; then
  cat ../discpack.log
  exit 1
fi
rm -f "$sample/patch.xdelta"
xdelta3 -e -S none -s "$sample/disc.img" "$sample/translated.bin" "$sample/patch.xdelta"

rooms=$(find "$sample"/Rooms/disk1 -mindepth 1 -maxdepth 1 -type d | wc -l)
extracted=$(find "$sample"/*/disk1 -maxdepth 1 -name '*.out' -type f | wc -l)
dumped=$(find "$sample"/Rooms/disk1 -name outscript.txt | wc -l)
entries=$(grep -ho 'with [0-9]* text entries' "$sample"/Rooms/disk1/*/code/outscript.txt |
  awk '{n += $2} END {print n + 0}')
repacked=$(find "$sample"/Rooms/disk1 -name script -type f | wc -l)
refused=$(grep -c 'not packed' ../scriptpack.log || true)
unsupported=$(grep -cE '^(Unsupported <> string|unsuported)' ../scriptpack.log || true)
replaced=$(grep -cE '^Room [0-9]+: file [0-9]+ (replaced in place|moved)' ../discpack.log || true)
left_out=$(grep -cE '^Room [0-9]+: file [0-9]+ .*left out' ../discpack.log || true)

cat <<SUMMARY

Sample run finished in $sample
  disc image:        disc.img ($(stat -c %s "$sample/disc.img") bytes), made by our own sample writer
  discunpack:        $extracted files extracted into MISC/, Rooms/, ... (index in work/file.tbl)
  roomdump:          $rooms rooms split into Rooms/disk1/<room>/{code,unknown,GFX}
  scriptdump:        $dumped dump texts (Rooms/disk1/<room>/code/outscript.txt), $entries dialogues
  scriptpack:        $repacked rooms repacked into code/script and code/8script;
                     $refused rooms refused, $unsupported unsupported tags or characters
  $(tail -n 1 ../round_trip.log)
  scriptpo:          $(tail -n 1 ../scriptpo_export.log | sed 's/^scriptpo: //')
                     $(tail -n 1 ../scriptpo_import.log | sed 's/^scriptpo: //')
                     $(grep -m1 'rooms placed' ../scriptpo_place.log | sed 's/^scriptpo: //')
  $(tail -n 1 ../scriptcheck.log)
  discpack:          $replaced rooms replaced in translated.bin (rooms ${edited_rooms[*]} edited),
                     $left_out left out (status $discpack_status)
  patch:             patch.xdelta ($(stat -c %s "$sample/patch.xdelta") bytes); apply it with
                     xdelta3 -d -s original.bin patch.xdelta translated.bin
  console logs:      discunpack.log, roomdump.log, scriptdump.log, scriptpack.log, round_trip.log,
                     scriptpo_*.log, scriptcheck.log, scriptpack_translated.log, discpack.log
SUMMARY
if ((round_trip_status != 0)); then
  echo "Some rooms did not come back as the game had them:"
  grep -v '^round trip: [0-9]* rooms repacked' ../round_trip.log
  exit 1
fi
if [ -x "$top/build/editor/textbench" ]; then
  echo "Open any outscript.txt in the editor, build/editor/textbench, to translate a room."
fi
