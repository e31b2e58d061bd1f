# Shared by the build, test and run commands: build tree, Wine environment, virtual display.
# Source it; it defines functions and exports the environment, it starts nothing by itself.

QUARVEL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$QUARVEL_ROOT/build}
case "$BUILD_DIR" in /*) ;; *) BUILD_DIR=$QUARVEL_ROOT/$BUILD_DIR ;; esac
export BUILD_DIR

# A private Wine prefix per build tree, quiet, with the GBK code page (936) as ANSI code page.
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

# Creates the prefix once per build tree, then keeps one Wine server alive for the whole run.
quarvel_wine() {
  command -v wine >/dev/null || die "wine is missing (run scripts/setup.sh)"
  locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$' || die "locale zh_CN.UTF-8 is missing (run scripts/setup.sh)"
  export LC_ALL=zh_CN.UTF-8
  mkdir -p "$BUILD_DIR"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "quarvel: creating Wine prefix in $WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || die "wineboot failed"
    wineserver -w
  fi
  wineserver -p >/dev/null 2>&1 || die "wineserver did not start"
  local acp
  acp=$(wine cmd /c "reg query HKLM\\System\\CurrentControlSet\\Control\\Nls\\CodePage /v ACP" 2>/dev/null | tr -d '\r' | awk '/ACP/ {print $NF}')
  [ "$acp" = "936" ] || die "Wine's ANSI code page is '$acp', not 936"
}

quarvel_stop() {
  [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1 || true
  if [ -n "$QUARVEL_XVFB_PID" ]; then kill "$QUARVEL_XVFB_PID" 2>/dev/null || true; wait "$QUARVEL_XVFB_PID" 2>/dev/null || true; fi
}
