# Shared by the build, test and run commands: build tree, Wine environment, virtual display.
# Source it; it defines functions and exports the environment, it starts nothing by itself.

QUARVEL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$QUARVEL_ROOT/build}
case "$BUILD_DIR" in /*) ;; *) BUILD_DIR=$QUARVEL_ROOT/$BUILD_DIR ;; esac
export BUILD_DIR

# A private Wine prefix per build tree, quiet. Wine's ANSI code page follows the locale a
# process starts in: GBK (936, the program's own texts) under zh_CN.UTF-8, the default here,
# and 1252 under en_US.UTF-8 (QUARVEL_CODEPAGE=1252), as on a Western Windows.
export WINEPREFIX=$BUILD_DIR/wineprefix
export WINEDEBUG=-all
export WINEARCH=win32
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="

die() { echo "quarvel: $*" >&2; exit 1; }

quarvel_build() {
  if [ ! -f "$BUILD_DIR/build.ninja" ]; then
    cmake -S "$QUARVEL_ROOT" -B "$BUILD_DIR" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$QUARVEL_ROOT/cmake/mingw-i686.cmake" "$@" >/dev/null \
      || die "configure failed"
  fi
  cmake --build "$BUILD_DIR" -- -j"${JOBS:-2}" || die "build failed"
}

QUARVEL_XVFB_PID=
# Starts Xvfb on a free display number when no display is given.
quarvel_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  command -v Xvfb >/dev/null || die "Xvfb is missing (run scripts/setup.sh)"
  local n=90
  while [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ]; do n=$((n + 1)); done
  Xvfb :$n -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
  QUARVEL_XVFB_PID=$!
  export DISPLAY=:$n
  for _ in $(seq 1 100); do
    xdpyinfo >/dev/null 2>&1 && return 0
    kill -0 $QUARVEL_XVFB_PID 2>/dev/null || die "Xvfb did not start on :$n"
    sleep 0.1
  done
  die "Xvfb did not answer on :$n"
}

# The locale under which Wine gives a code page as its ANSI code page.
quarvel_locale() {
  case "$1" in
    936) echo zh_CN.UTF-8 ;;
    1252) echo en_US.UTF-8 ;;
    *) die "no locale for code page '$1' (936 or 1252)" ;;
  esac
}

# The ANSI code page a Wine process started in a locale gets (written to the prefix's registry
# at its start).
quarvel_wine_acp() {
  LC_ALL=$1 wine cmd /c "reg query HKLM\\System\\CurrentControlSet\\Control\\Nls\\CodePage /v ACP" 2>/dev/null \
    | tr -d '\r' | awk '/ACP/ {print $NF}'
}

# Creates the prefix once per build tree, then keeps one Wine server alive for the whole run.
# One prefix serves both code pages; each is checked, the one the run uses last.
quarvel_wine() {
  command -v wine >/dev/null || die "wine is missing (run scripts/setup.sh)"
  local codepage=${QUARVEL_CODEPAGE:-936} other=1252 cp loc acp
  case "$codepage" in 936) ;; 1252) other=936 ;; *) die "QUARVEL_CODEPAGE is '$codepage', not 936 or 1252" ;; esac
  for cp in 936 1252; do
    loc=$(quarvel_locale $cp)
    locale -a 2>/dev/null | grep -qi "^${loc%%.*}\.utf-\?8\$" || die "locale $loc is missing (run scripts/setup.sh)"
  done
  # A shell that started before setup.sh generated the locale cannot load it itself and would
  # warn; the programs it starts can, and they are what it is for.
  { export LC_ALL=$(quarvel_locale "$codepage"); } 2>/dev/null
  mkdir -p "$BUILD_DIR"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "quarvel: creating Wine prefix in $WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || die "wineboot failed"
    wineserver -w
  fi
  # A server of an earlier run may still be shutting down: it refuses a new one until gone.
  local tries=0
  until wineserver -p >/dev/null 2>&1; do
    tries=$((tries + 1))
    [ $tries -lt 20 ] || die "wineserver did not start"
    sleep 0.5
  done
  for cp in $other $codepage; do
    acp=$(quarvel_wine_acp "$(quarvel_locale $cp)")
    [ "$acp" = "$cp" ] || die "Wine's ANSI code page under $(quarvel_locale $cp) is '$acp', not $cp"
  done
  # No window manager runs on the virtual display: unless its windows are unmanaged, Wine waits
  # for one at every window it hides (a menu closing held the window up to 300 ms, a message
  # box 2 s). The test sandboxes set the same.
  if ! grep -qs '^"Managed"="N"' "$WINEPREFIX/user.reg"; then
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || die "could not set Wine's Managed=N"
  fi
}

# The main window's caption, as wintool takes it.
QUARVEL_CAPTION=$(printf 'Quarvel1.0\xe7\x89\x88 ')

# Waits up to a minute for Quarvel's main window to be shown and prints wintool's line for it:
# left, top, width, height, visible, then the rest.
quarvel_main_window() {
  local info
  for _ in $(seq 1 120); do
    if info=$(wine "$BUILD_DIR/tools/wintool.exe" info "$QUARVEL_CAPTION" 2>/dev/null) \
      && [ "$(echo "$info" | awk '{print $5}')" = 1 ]; then
      echo "$info"
      return 0
    fi
    sleep 0.5
  done
  return 1
}

quarvel_stop() {
  [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1 || true
  if [ -n "$QUARVEL_XVFB_PID" ]; then kill "$QUARVEL_XVFB_PID" 2>/dev/null || true; wait "$QUARVEL_XVFB_PID" 2>/dev/null || true; fi
}
