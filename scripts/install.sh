#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Linux module: copies the bundle QuillwaveRecorder.vst3 into ~/.vst3, or into the
# folder given. An installed copy is replaced only when the user agrees or --force is given;
# without a terminal to ask on, it is kept. The bundle is the one beside this script (in the
# release archive) or the built one (build/linux in a checkout), unless --bundle names another.
#
# Usage: install.sh [--force] [--bundle DIR] [FOLDER]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"

fail() {
    echo "install.sh: $*" >&2
    exit 1
}

version_of() {
    sed -n 's/^  "Version": "\([^"]*\)",\{0,1\}$/\1/p' "$1/Contents/Resources/moduleinfo.json" \
        2>/dev/null || true
}

force=0
bundle=""
folder=""
while [ $# -gt 0 ]; do
    case "$1" in
        --force) force=1; shift ;;
        --bundle) bundle="${2:?--bundle needs a folder}"; shift 2 ;;
        -h|--help) sed -n '3,9s/^# \{0,1\}//p' "$0"; exit 0 ;;
        -*) echo "usage: install.sh [--force] [--bundle DIR] [FOLDER]" >&2; exit 2 ;;
        *) [ -z "$folder" ] || fail "more than one folder given"; folder="$1"; shift ;;
    esac
done
if [ -z "$bundle" ]; then
    bundle="$here/QuillwaveRecorder.vst3"
    [ -d "$bundle" ] || bundle="$here/../build/linux/QuillwaveRecorder.vst3"
fi
[ -f "$bundle/Contents/x86_64-linux/QuillwaveRecorder.so" ] ||
    fail "no Linux QuillwaveRecorder.vst3 bundle at $bundle"
bundle="$(cd "$bundle" && pwd)"
folder="${folder:-$HOME/.vst3}"
mkdir -p "$folder"
folder="$(cd "$folder" && pwd)"
target="$folder/QuillwaveRecorder.vst3"
[ "$bundle" != "$target" ] || fail "$target is the bundle itself"

new_version="$(version_of "$bundle")"
if [ -e "$target" ] || [ -L "$target" ]; then
    old_version="$(version_of "$target")"
    question="Replace $target (${old_version:-unknown version}) with ${new_version:-this version}?"
    if [ "$force" -eq 0 ]; then
        if [ ! -t 0 ]; then
            fail "$target exists; run with --force to replace it"
        fi
        read -r -p "$question [y/N] " answer
        case "$answer" in
            y|Y|yes|Yes) ;;
            *) echo "Kept $target."; exit 1 ;;
        esac
    fi
fi

# Copy beside the target first, so that a failed copy leaves the installed module as it was.
staged="$(mktemp -d "$folder/.QuillwaveRecorder.vst3.new.XXXXXX")"
trap 'rm -rf "$staged"' EXIT
cp -R "$bundle" "$staged/QuillwaveRecorder.vst3"
if [ -e "$target" ] || [ -L "$target" ]; then
    mv "$target" "$staged/old"
fi
mv "$staged/QuillwaveRecorder.vst3" "$target"
echo "Installed $target${new_version:+ ($new_version)}"
