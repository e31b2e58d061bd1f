#!/usr/bin/env bash
# Stress run: Quarvel.exe under Wine against the reference site's many-page search while
# xdotool keeps searching, stopping, switching tabs, scrolling, opening the result menu and
# resolving links; then checks the process, the last search's rows and resource growth.
#   bash scripts/stress.sh [SECONDS [SEED]]   default 600 (the test command runs two of 15, seeds apart)
set -euo pipefail
# Under the test command the run is inside a test's sandbox: its Wine prefix, not the shared one.
outer_prefix=${WINEPREFIX:-}
source "$(dirname "$0")/lib.sh"
if [ -n "${QUARVEL_BUILD_DIR:-}" ] && [ -n "$outer_prefix" ]; then export WINEPREFIX=$outer_prefix; fi

seconds=${1:-600}
# Under the test command the tree is built already and its display and Wine are running:
# they are the test command's to stop.
if [ -z "${QUARVEL_BUILD_DIR:-}" ]; then
  quarvel_build
  trap quarvel_stop EXIT
  quarvel_display
  quarvel_wine
fi
export QUARVEL_EXE=${QUARVEL_EXE:-$BUILD_DIR/Quarvel.exe}
export QUARVEL_BUILD_DIR=${QUARVEL_BUILD_DIR:-$BUILD_DIR}
export QUARVEL_SOURCE_DIR=${QUARVEL_SOURCE_DIR:-$QUARVEL_ROOT}
python3 "$QUARVEL_ROOT/tests/e2e/stress.py" "$seconds" ${2:+"$2"}
