#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Configures and builds one flavour: linux (native), windows (mingw-w64), asan or tsan (native,
# sanitized), or fuzz (clang-14 libFuzzer targets with AddressSanitizer + UndefinedBehaviorSanitizer,
# no tests or benchmarks). Usage: scripts/build.sh <flavour> [extra cmake args]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
flavour="${1:?usage: build.sh linux|windows|asan|tsan|fuzz}"
shift || true
dir="$root/build/$flavour"
args=(-S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release)
# ccache shares objects between checkouts of the tree and between runs; paths below the checkout
# are hashed relative to it.
if command -v ccache >/dev/null 2>&1; then
    export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
    args+=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
case "$flavour" in
    linux) ;;
    windows) args+=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake") ;;
    asan) args+=(-DQUILLWAVE_SANITIZE=address -DQUILLWAVE_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
    tsan) args+=(-DQUILLWAVE_SANITIZE=thread -DQUILLWAVE_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
    fuzz)
        # Coverage instrumentation everywhere; the fuzz targets add libFuzzer's main at link.
        export CC=clang-14 CXX=clang++-14
        args+=(-DQUILLWAVE_FUZZ=ON -DQUILLWAVE_TESTS=OFF -DQUILLWAVE_BENCH=OFF
            -DQUILLWAVE_SANITIZE=address -DCMAKE_BUILD_TYPE=RelWithDebInfo
            -DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link) ;;
    *) echo "unknown flavour: $flavour" >&2; exit 2 ;;
esac
cmake "${args[@]}" "$@" >/dev/null
targets=()
# ThreadSanitizer runs the concurrency tests only: build just those.
[ "$flavour" = tsan ] && targets=(--target concurrency_tests)
cmake --build "$dir" -j "$(nproc)" "${targets[@]}"
