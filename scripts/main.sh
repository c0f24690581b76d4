#!/usr/bin/env bash
# The main job on a fresh machine: install what is missing, build the Linux and Windows modules,
# and run each through its own entry points.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" linux
"$root/scripts/build.sh" windows

echo "== Linux module: $root/build/linux/QuillwaveRecorder.vst3"
"$root/build/linux/tools/module_info" "$root/build/linux/QuillwaveRecorder.vst3/Contents/x86_64-linux/QuillwaveRecorder.so"

echo "== Windows module (under wine): $root/build/windows/QuillwaveRecorder.vst3"
export WINEPREFIX="$root/build/windows/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[ -d "$WINEPREFIX" ] || wineboot -i >/dev/null 2>&1 || true
"$root/scripts/wine-run.sh" "$root/build/windows/tools/module_info.exe" \
    "$root/build/windows/QuillwaveRecorder.vst3/Contents/x86_64-win/QuillwaveRecorder.vst3"
