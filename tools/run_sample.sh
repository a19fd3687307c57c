#!/usr/bin/env bash
# Sets up, builds and runs the whole chain on a sample disc image of our own:
# make the image, discunpack, roomdump, scriptdump, then scriptpack over the dump texts.
# Everything lands in out/sample/ (pass --full for an image of the real disc's full size).
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
bash tools/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=(make_sample_disc discunpack roomdump scriptdump scriptpack round_trip_check)
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

rooms=$(find "$sample"/Rooms/disk1 -mindepth 1 -maxdepth 1 -type d | wc -l)
extracted=$(find "$sample"/*/disk1 -maxdepth 1 -name '*.out' -type f | wc -l)
dumped=$(find "$sample"/Rooms/disk1 -name outscript.txt | wc -l)
entries=$(grep -ho 'with [0-9]* text entries' "$sample"/Rooms/disk1/*/code/outscript.txt |
  awk '{n += $2} END {print n + 0}')
repacked=$(find "$sample"/Rooms/disk1 -name script -type f | wc -l)
refused=$(grep -c 'not packed' ../scriptpack.log || true)
unsupported=$(grep -cE '^(Unsupported <> string|unsuported)' ../scriptpack.log || true)

cat <<SUMMARY

Sample run finished in $sample
  disc image:        disc.img ($(stat -c %s "$sample/disc.img") bytes), made by our own sample writer
  discunpack:        $extracted files extracted into MISC/, Rooms/, ... (index in work/file.tbl)
  roomdump:          $rooms rooms split into Rooms/disk1/<room>/{code,unknown,GFX}
  scriptdump:        $dumped dump texts (Rooms/disk1/<room>/code/outscript.txt), $entries dialogues
  scriptpack:        $repacked rooms repacked into code/script and code/8script;
                     $refused rooms refused, $unsupported unsupported tags or characters
  $(tail -n 1 ../round_trip.log)
  console logs:      discunpack.log, roomdump.log, scriptdump.log, scriptpack.log, round_trip.log
SUMMARY
if ((round_trip_status != 0)); then
  echo "Some rooms did not come back as the game had them:"
  grep -v '^round trip: [0-9]* rooms repacked' ../round_trip.log
  exit 1
fi
if [ -x "$top/build/editor/textbench" ]; then
  echo "Open any outscript.txt in the editor, build/editor/textbench, to translate a room."
fi
