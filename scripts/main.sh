#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The main job on a fresh machine: install what is missing, build the Linux and Windows modules,
# show each through its own entry points, and record a demo signal through each with the
# command-line host (the Windows module under wine). Takes go to build/demo/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" linux
"$root/scripts/build.sh" windows

demo="$root/build/demo"
mkdir -p "$demo"
# A 3-second stereo sine; the transport stops after 2 s and the rest feeds the effect tail.
demo_args=(--sine 440 --channels 2 --rate 48000 --seconds 3 --to 96000 --tail-silence 0.25)

echo "== Linux module: $root/build/linux/QuillwaveRecorder.vst3"
"$root/build/linux/tools/module_info" "$root/build/linux/QuillwaveRecorder.vst3/Contents/x86_64-linux/QuillwaveRecorder.so"
echo "== Recording the demo signal through the Linux module"
"$root/build/linux/tools/quillwave_host/quillwave_host" --module "$root/build/linux/QuillwaveRecorder.vst3" \
    --out "$demo/linux-demo.wav" "${demo_args[@]}"

echo "== Windows module (under wine): $root/build/windows/QuillwaveRecorder.vst3"
export WINEPREFIX="$root/build/windows/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[ -d "$WINEPREFIX" ] || wineboot -i >/dev/null 2>&1 || true
"$root/scripts/wine-run.sh" "$root/build/windows/tools/module_info.exe" \
    "$root/build/windows/QuillwaveRecorder.vst3/Contents/x86_64-win/QuillwaveRecorder.vst3"
echo "== Recording the demo signal through the Windows module (under wine)"
"$root/scripts/wine-run.sh" "$root/build/windows/tools/quillwave_host/quillwave_host.exe" \
    --module "$root/build/windows/QuillwaveRecorder.vst3" --out "$demo/windows-demo.wav" "${demo_args[@]}"

echo "== Demo takes in $demo:"
ls -l "$demo"
