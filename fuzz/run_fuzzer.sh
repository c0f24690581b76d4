#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs one fuzz target on a scratch copy of its seed corpus (the kept corpus stays small). Build
# the targets first with scripts/build.sh fuzz.
# Usage: fuzz/run_fuzzer.sh <area> [seconds=60] [extra libFuzzer options...]
# A longer run on both cores, keeping what it finds in build/fuzz/<area>-corpus:
#   fuzz/run_fuzzer.sh player 3600 -jobs=2 -workers=2
# Exits non-zero on any finding; the crashing input is left in build/fuzz/ as crash-*, leak-* or
# timeout-*, to be replayed by running the target on that file.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
area="${1:?usage: run_fuzzer.sh <area> [seconds] [options...]}"
seconds="${2:-60}"
shift $(( $# >= 2 ? 2 : 1 ))
# The area's fuzzer.conf names its target and its own libFuzzer options.
fuzzer="" options=()
# shellcheck source=/dev/null
source "$root/fuzz/$area/fuzzer.conf"
binary="$root/build/fuzz/fuzz/$area/$fuzzer"
if [ ! -x "$binary" ]; then
    echo "no fuzzer at $binary; run scripts/build.sh fuzz first" >&2
    exit 2
fi
work="$root/build/fuzz/$area-corpus"
mkdir -p "$work"
cp -n "$root/fuzz/$area"/corpus/* "$work"/ 2>/dev/null || true
exec "$binary" "$work" -max_total_time="$seconds" -artifact_prefix="$root/build/fuzz/$area-" \
    -rss_limit_mb=1024 -print_final_stats=1 "${options[@]}" "$@"
