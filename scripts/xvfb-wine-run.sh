#!/usr/bin/env bash
# Runs one Windows binary under wine on a private virtual X display, for tests that create real
# windows; the display goes away with the test.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$here/wine-run.sh" "$@"
