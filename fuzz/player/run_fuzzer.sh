#!/usr/bin/env bash
# Runs the WAV parser fuzzer on a scratch copy of the seed corpus (the kept corpus stays small).
# Build it first with scripts/build.sh fuzz.
# Usage: fuzz/player/run_fuzzer.sh [seconds=60] [extra libFuzzer options...]
# A longer run on both cores, keeping what it finds in build/fuzz/player-corpus:
#   fuzz/player/run_fuzzer.sh 3600 -jobs=2 -workers=2
# Exits non-zero on any finding; the crashing input is left in build/fuzz/ as crash-*, leak-* or
# timeout-*, to be replayed with: build/fuzz/fuzz/player/player_wav_fuzzer <file>
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
seconds="${1:-60}"
shift || true
fuzzer="$root/build/fuzz/fuzz/player/player_wav_fuzzer"
if [ ! -x "$fuzzer" ]; then
    echo "no fuzzer at $fuzzer; run scripts/build.sh fuzz first" >&2
    exit 2
fi
work="$root/build/fuzz/player-corpus"
mkdir -p "$work"
cp -n "$root"/fuzz/player/corpus/* "$work"/
# -rss_limit_mb: a decode of hostile bytes must stay small; -max_len: room for a few chunks.
exec "$fuzzer" "$work" -max_total_time="$seconds" -dict="$root/fuzz/player/wav.dict" \
    -artifact_prefix="$root/build/fuzz/" -max_len=4096 -rss_limit_mb=1024 -print_final_stats=1 "$@"
