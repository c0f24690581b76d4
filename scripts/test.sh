#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the native suite, the Windows suite under
# wine, and the concurrency tests under ThreadSanitizer. Prints one summary line at the end.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"

passed=0
failed=0
stage() {
    local flavour="$1"; shift
    echo "== $flavour: build"
    "$root/scripts/build.sh" "$flavour"
    if [ "$flavour" = windows ]; then
        export WINEPREFIX="$root/build/windows/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
        [ -d "$WINEPREFIX" ] || wineboot -i >/dev/null 2>&1 || true
    fi
    echo "== $flavour: test"
    local log="$root/build/$flavour/ctest.log"
    if ctest --test-dir "$root/build/$flavour" --output-on-failure -j "$(nproc)" "$@" 2>&1 | tee "$log"; then :; fi
    local total fails
    total=$(sed -n 's/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\2/p' "$log" | tail -n1)
    fails=$(sed -n 's/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -n1)
    if grep -q 'No tests were found' "$log"; then
        echo "== $flavour: no tests selected"; return
    fi
    if [ -z "$total" ]; then
        echo "== $flavour: no test result"; failed=$((failed + 1)); return
    fi
    passed=$((passed + total - fails))
    failed=$((failed + fails))
}

stage linux
stage windows
stage tsan -L concurrency

echo "${passed} passed, ${failed} failed"
[ "$failed" -eq 0 ]
