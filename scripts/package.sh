#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Linux and Windows modules and writes the release archives
#   dist/QuillwaveRecorder-<version>-linux-x86_64.tar.gz
#   dist/QuillwaveRecorder-<version>-windows-x64.zip
# Each holds one folder of the archive's name with the bundle QuillwaveRecorder.vst3, README.md
# (with its pictures), LICENSE and THIRD-PARTY-NOTICES; the Linux one also install.sh. The
# version is the class version string of the built module, read from its bundle's moduleinfo.json.
#
# Usage: scripts/package.sh                         build both flavours, package them into dist/
#        scripts/package.sh --bundle DIR [--out DIR] package one built bundle as it is
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
stages=()
trap 'rm -rf "${stages[@]}"' EXIT

fail() {
    echo "package.sh: $*" >&2
    exit 1
}

# The module's version as its bundle's module information gives it.
bundle_version() {
    local info="$1/Contents/Resources/moduleinfo.json"
    [ -f "$info" ] || fail "$1 has no Contents/Resources/moduleinfo.json"
    sed -n 's/^  "Version": "\([^"]*\)",\{0,1\}$/\1/p' "$info"
}

# package_bundle BUNDLE OUT_DIR: writes the archive and prints its path.
package_bundle() {
    local bundle="${1%/}" out="$2" platform module version name stage archive
    if [ -f "$bundle/Contents/x86_64-win/QuillwaveRecorder.vst3" ]; then
        platform=windows-x64 module=x86_64-win/QuillwaveRecorder.vst3
    elif [ -f "$bundle/Contents/x86_64-linux/QuillwaveRecorder.so" ]; then
        platform=linux-x86_64 module=x86_64-linux/QuillwaveRecorder.so
    else
        fail "$bundle is not a built QuillwaveRecorder.vst3 bundle"
    fi
    version="$(bundle_version "$bundle")"
    [ -n "$version" ] || fail "no version in $bundle/Contents/Resources/moduleinfo.json"
    name="QuillwaveRecorder-$version-$platform"
    mkdir -p "$out"
    out="$(cd "$out" && pwd)"
    stage="$(mktemp -d)"
    stages+=("$stage")
    local top="$stage/$name"
    mkdir -p "$top/QuillwaveRecorder.vst3/Contents/$(dirname "$module")"
    cp "$bundle/Contents/$module" "$top/QuillwaveRecorder.vst3/Contents/$module"
    cp -R "$bundle/Contents/Resources" "$top/QuillwaveRecorder.vst3/Contents/"
    # The Windows folder icon of the bundle convention, when the bundle has one.
    for extra in desktop.ini PlugIn.ico; do
        [ -f "$bundle/$extra" ] && cp "$bundle/$extra" "$top/QuillwaveRecorder.vst3/"
    done
    cp "$root/README.md" "$root/LICENSE" "$root/THIRD-PARTY-NOTICES" "$top/"
    mkdir "$top/docs" && cp "$root"/docs/*.png "$top/docs/"
    if [ "$platform" = windows-x64 ]; then
        archive="$out/$name.zip"
        (cd "$stage" && cmake -E tar cf "$archive.part" --format=zip "$name")
    else
        cp "$root/scripts/install.sh" "$top/install.sh"
        archive="$out/$name.tar.gz"
        tar -C "$stage" --sort=name --owner=0 --group=0 --numeric-owner -czf "$archive.part" "$name"
    fi
    # A failed run leaves no archive that looks complete.
    mv -f "$archive.part" "$archive"
    echo "$archive"
}

bundle=""
out="$root/dist"
while [ $# -gt 0 ]; do
    case "$1" in
        --bundle) bundle="${2:?--bundle needs a folder}"; shift 2 ;;
        --out) out="${2:?--out needs a folder}"; shift 2 ;;
        *) echo "usage: package.sh [--bundle DIR] [--out DIR]" >&2; exit 2 ;;
    esac
done

if [ -n "$bundle" ]; then
    package_bundle "$bundle" "$out"
    exit 0
fi
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" linux
"$root/scripts/build.sh" windows
package_bundle "$root/build/linux/QuillwaveRecorder.vst3" "$out"
package_bundle "$root/build/windows/QuillwaveRecorder.vst3" "$out"
