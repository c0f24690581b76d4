#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Paints editor pages through the GDI back end under wine and writes them as docs/editor-*.png,
# the same pages through the cairo back end of the Linux editor as docs/editor-*-cairo.png, and
# the Windows bundle's folder icon, entry/bundle/PlugIn.ico, from the recorder page's lamp.
# Usage: scripts/render-pictures.sh
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

linux="$root/build/linux"
if [ ! -f "$linux/build.ninja" ]; then
    "$root/scripts/build.sh" linux
fi
cmake --build "$linux" --target cairo_pictures -j 2 >/dev/null
mkdir -p "$root/docs"
"$linux/tests/editor/cairo_pictures" "$root/docs"
for png in "$root"/docs/editor-*-cairo.png; do
    echo "${png#"$root/"}"
done

build="$root/build/windows"
if [ ! -f "$build/build.ninja" ]; then
    "$root/scripts/build.sh" windows
fi
cmake --build "$build" --target editor_pictures -j 2 >/dev/null

export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[ -d "$WINEPREFIX" ] || wineboot -i >/dev/null 2>&1 || true

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
wine "$build/tests/editor/editor_pictures.exe" "$(winepath -w "$tmp")"

mkdir -p "$root/docs"
pairs=()
python3 "$root/scripts/bmp-to-ico.py" "$root/entry/bundle/PlugIn.ico" "$tmp"/icon-*.bmp
echo entry/bundle/PlugIn.ico
rm "$tmp"/icon-*.bmp
for bmp in "$tmp"/*.bmp; do
    name="$(basename "$bmp" .bmp)"
    pairs+=("$bmp" "$root/docs/editor-$name.png")
done
python3 "$root/scripts/bmp-to-png.py" "${pairs[@]}"
for ((i = 1; i < ${#pairs[@]}; i += 2)); do
    echo "${pairs[i]#"$root/"}"
done
