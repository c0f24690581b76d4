#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# scripts/install.sh into a scratch folder: a first install, a refused replacement without a
# terminal to ask on (the installed copy stays as it was), and a replacement with --force.
# Usage: install_test.sh <built Linux bundle>
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
bundle="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
install="$root/scripts/install.sh"
target="$work/vst3/QuillwaveRecorder.vst3"
module=Contents/x86_64-linux/QuillwaveRecorder.so

fail() {
    echo "install_test: $*" >&2
    exit 1
}

"$install" --bundle "$bundle" "$work/vst3" </dev/null >/dev/null || fail "first install failed"
cmp -s "$bundle/$module" "$target/$module" || fail "installed module differs from the bundle"

# An older copy, told apart by a file of its own.
touch "$target/older-copy"
if "$install" --bundle "$bundle" "$work/vst3" </dev/null 2>"$work/err"; then
    fail "replaced an installed copy without asking"
fi
grep -q -- "--force" "$work/err" || fail "refusal does not mention --force: $(cat "$work/err")"
[ -f "$target/older-copy" ] || fail "the refused install touched the installed copy"

"$install" --force --bundle "$bundle" "$work/vst3" </dev/null >/dev/null || fail "--force failed"
[ ! -e "$target/older-copy" ] || fail "--force kept the older copy"
cmp -s "$bundle/$module" "$target/$module" || fail "replaced module differs from the bundle"
[ "$(ls -A "$work/vst3")" = QuillwaveRecorder.vst3 ] || fail "left files beside the bundle"

# HOME's .vst3 is the default folder.
HOME="$work/home" "$install" --bundle "$bundle" </dev/null >/dev/null || fail "default folder install failed"
[ -f "$work/home/.vst3/QuillwaveRecorder.vst3/$module" ] || fail "nothing in ~/.vst3"
