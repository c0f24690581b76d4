#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs one Windows binary under wine on a private virtual X display, for tests that create real
# windows. Wine's desktop takes its display driver from the first program of a prefix session,
# so such tests use a prefix of their own (set by the test) that no display-less test shares,
# and the session is let end before its display goes away.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
if [ "${1:-}" != "--on-display" ]; then
    exec xvfb-run -a -s "-screen 0 2560x1600x24" "$here/xvfb-wine-run.sh" --on-display "$@"
fi
shift
status=0
"$here/wine-run.sh" "$@" || status=$?
wineserver -w || true
exit "$status"
