#!/usr/bin/env bash
# Sets up the machine, builds everything and runs every test (unit, toolkit, whole program)
# under Wine on virtual displays. Extra arguments go to ctest (e.g. -R web).
#
# Tests run side by side (QUARVEL_TEST_JOBS at once, default 4), each in a sandbox of its own:
# a display, a copy-on-write view of the prepared Wine prefix and, for the whole-program tests,
# a loopback of its own (tests/support/sandbox.py).
set -euo pipefail
source "$(dirname "$0")/lib.sh"

bash "$QUARVEL_ROOT/scripts/setup.sh"
quarvel_build
# The shipped exe is built with the rest, with the hosts its check gives (that check then only
# links it again, twice, to compare the bytes).
RELEASE_BUILD_DIR=$BUILD_DIR/release DIST_DIR=$BUILD_DIR/release/dist bash "$QUARVEL_ROOT/scripts/release.sh" \
  QUARVEL_SEARCH_HOST=search.example QUARVEL_PRODUCT_HOST=www.example QUARVEL_UPDATE_HOST=update.example \
  QUARVEL_CLOUDPLAY_HOST=play.example >/dev/null
trap quarvel_stop EXIT
quarvel_display
quarvel_wine
# The sandboxes see the prepared prefix as it is on disk: its own server must be gone.
wineserver -k >/dev/null 2>&1 || true
wineserver -w 2>/dev/null || true
cd "$BUILD_DIR"
rm -rf "$BUILD_DIR/sandboxes"
ctest --output-on-failure -j"${QUARVEL_TEST_JOBS:-4}" "$@"
