#!/usr/bin/env bash
# Sets up the machine, builds everything and runs every test (unit, toolkit, whole program)
# under Wine on a virtual display. Extra arguments go to ctest (e.g. -R web).
set -euo pipefail
source "$(dirname "$0")/lib.sh"

bash "$QUARVEL_ROOT/scripts/setup.sh"
quarvel_build
trap quarvel_stop EXIT
quarvel_display
quarvel_wine
cd "$BUILD_DIR"
ctest --output-on-failure "$@"
