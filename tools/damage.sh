#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the programs and runs N rounds of the damage test over them (default 200):
#   bash tools/damage.sh [N]      (QV_BUILD_DIR picks another build directory than build/)
# Scratch trees go to /dev/shm where it exists, which is much faster than a disk.
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-200}
build=${QV_BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target program_tests
[ -d /dev/shm ] && [ -w /dev/shm ] && export TMPDIR=/dev/shm
start=$(date +%s)
QV_DAMAGE_ROUNDS=$rounds "$build"/tests/e2e/program_tests --gtest_filter='*Damage*'
echo "$rounds damage rounds in $(($(date +%s) - start)) s"
