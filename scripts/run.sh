#!/usr/bin/env bash
# Sets up, builds and runs Quarvel under Wine against the reference site on loopback.
# With a display it opens the window and waits until you close it. Without one it starts a
# virtual display, runs a demo search, saves a screenshot and prints the PNG's path.
# QUARVEL_CODEPAGE=1252 runs it as on a Western Windows (system code page 1252, not 936).
set -euo pipefail
source "$(dirname "$0")/lib.sh"

DEMO_TERM=${DEMO_TERM:-ABC}
bash "$QUARVEL_ROOT/scripts/setup.sh"
quarvel_build

site_pid=
cleanup() {
  [ -n "$site_pid" ] && kill "$site_pid" 2>/dev/null || true
  quarvel_stop
}
trap cleanup EXIT

# The program talks to the host it was built for; serve the reference site there.
host=$(sed -n 's/^QUARVEL_SEARCH_HOST:STRING=//p' "$BUILD_DIR/CMakeCache.txt")
port=${host##*:}
if [ -f "$QUARVEL_ROOT/site/server.py" ] && [[ "$host" == 127.0.0.1:* ]]; then
  python3 "$QUARVEL_ROOT/site/server.py" --port "$port" --log "$BUILD_DIR/site.log" >/dev/null 2>&1 &
  site_pid=$!
fi

headless=1
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then headless=0; fi
quarvel_display
quarvel_wine

if [ "$headless" = 0 ]; then
  wine "$BUILD_DIR/Quarvel.exe"
  exit 0
fi

wine "$BUILD_DIR/Quarvel.exe" >/dev/null 2>&1 &
app_pid=$!
info=$(quarvel_main_window) || die "the main window did not appear"
read -r x y w h _ <<<"$info"

# Demo search: type the term into the search box and press the search button.
sleep 1
xdotool mousemove $((x + 200)) $((y + 47)) click 1
xdotool type --delay 50 "$DEMO_TERM"
xdotool mousemove $((x + 490)) $((y + 47)) click 1
sleep "${DEMO_WAIT:-4}"

mkdir -p "$BUILD_DIR/screenshots"
shot=$BUILD_DIR/screenshots/quarvel.png
[ "${QUARVEL_CODEPAGE:-936}" = 936 ] || shot=$BUILD_DIR/screenshots/quarvel-$QUARVEL_CODEPAGE.png
import -window root -crop "${w}x${h}+${x}+${y}" +repage "$shot"
wine "$BUILD_DIR/tools/wintool.exe" close "$QUARVEL_CAPTION" >/dev/null 2>&1 || true
wait "$app_pid" 2>/dev/null || true
echo "$shot"
