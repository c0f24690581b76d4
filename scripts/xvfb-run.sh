#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs one native test binary on a private virtual X display, for tests that open real X11
# windows: the Linux counterpart of xvfb-wine-run.sh.
set -euo pipefail
exec xvfb-run -a -s "-screen 0 2560x1600x24" "$@"
