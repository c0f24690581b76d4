#!/usr/bin/env bash
# Runs one native test binary on a private virtual X display, for tests that open real X11
# windows: the Linux counterpart of xvfb-wine-run.sh.
set -euo pipefail
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$@"
