#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds, and runs every test: the native suite plain and under
# AddressSanitizer + UndefinedBehaviorSanitizer, the Windows suite under wine, the concurrency
# tests under ThreadSanitizer, and each fuzz target for a minute. Prints one
# summary line at the end.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"

passed=0
failed=0
stage() {
    local flavour="$1"; shift
    local started=$SECONDS
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
    echo "== $flavour: $((SECONDS - started)) s"
}

# Builds the fuzz flavour and runs every fuzz target for about 60 seconds on a scratch copy of its
# seed corpus; any finding fails the stage.
fuzz_stage() {
    local started=$SECONDS
    echo "== fuzz: build"
    "$root/scripts/build.sh" fuzz
    for conf in "$root"/fuzz/*/fuzzer.conf; do
        local area log
        area="$(basename "$(dirname "$conf")")"
        log="$root/build/fuzz/$area-fuzz.log"
        echo "== fuzz: $area (60 s)"
        if "$root/fuzz/run_fuzzer.sh" "$area" 60 >"$log" 2>&1; then
            passed=$((passed + 1))
            grep -E '^(Done|stat::number_of_executed_units)' "$log" || true
        else
            failed=$((failed + 1))
            tail -n 40 "$log"
            echo "== fuzz: $area found a problem (log: $log)"
        fi
    done
    echo "== fuzz: $((SECONDS - started)) s"
}

stage linux
stage asan
stage windows
stage tsan -L concurrency
fuzz_stage

echo "${passed} passed, ${failed} failed"
[ "$failed" -eq 0 ]
