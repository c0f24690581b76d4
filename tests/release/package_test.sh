#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Packages an already built bundle with scripts/package.sh, unpacks the archive and runs the
# given check (the module information test, which loads the module) against the unpacked bundle.
# Usage: package_test.sh <built bundle> <check command...>
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
bundle="$1"
shift
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

fail() {
    echo "package_test: $*" >&2
    exit 1
}

archive="$("$root/scripts/package.sh" --bundle "$bundle" --out "$work/dist")"
version="$(sed -n 's/^  "Version": "\([^"]*\)",$/\1/p' "$bundle/Contents/Resources/moduleinfo.json")"
[ -n "$version" ] || fail "the bundle's moduleinfo.json names no version"
if [ -f "$bundle/Contents/x86_64-win/QuillwaveRecorder.vst3" ]; then
    name="QuillwaveRecorder-$version-windows-x64"
    expected="$work/dist/$name.zip"
    extras=()
else
    name="QuillwaveRecorder-$version-linux-x86_64"
    expected="$work/dist/$name.tar.gz"
    extras=(install.sh)
fi
[ "$archive" = "$expected" ] || fail "archive is $archive, expected $expected"
[ "$(ls "$work/dist")" = "$(basename "$expected")" ] || fail "dist holds more than the archive"

mkdir "$work/unpacked"
(cd "$work/unpacked" && cmake -E tar xf "$archive")
[ "$(ls "$work/unpacked")" = "$name" ] || fail "the archive's one folder is not $name"
top="$work/unpacked/$name"
for file in README.md LICENSE THIRD-PARTY-NOTICES "${extras[@]}"; do
    [ -s "$top/$file" ] || fail "$file missing from the archive"
done
cmp -s "$top/LICENSE" "$root/LICENSE" || fail "LICENSE differs from the project's"
# Only what a host needs goes into the bundle.
diff <(cd "$bundle" && find . -type f | grep -v '/\.' | sort) \
    <(cd "$top/QuillwaveRecorder.vst3" && find . -type f | sort) || fail "bundle contents differ"

QUILLWAVE_TEST_BUNDLE="$top/QuillwaveRecorder.vst3" "$@"
