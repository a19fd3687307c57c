#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what building and testing need on Debian 12, and any further packages named as
# arguments (the fuzz runner adds clang and libFuzzer). Packages already present are skipped.
set -euo pipefail
packages=(cmake g++ make pkg-config libgtest-dev libbenchmark-dev qt6-base-dev qt6-translations-l10n
  xvfb xauth libhunspell-dev hunspell-es libgettextpo-dev gettext libvcdinfo-dev xdelta3 "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if ((${#missing[@]})); then
  as_root=()
  [ "$(id -u)" -ne 0 ] && as_root=(sudo)
  "${as_root[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
fi
