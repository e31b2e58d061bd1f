#!/usr/bin/env bash
# Builds and runs every benchmark under Wine on a virtual display and prints their figures.
#   bash bench/run.sh            all of them
#   bash bench/run.sh parse      only those whose name holds the word
set -euo pipefail
source "$(dirname "$0")/../scripts/lib.sh"

bash "$QUARVEL_ROOT/scripts/setup.sh" >/dev/null
quarvel_build >/dev/null
site_pid=
cleanup() {
  [ -n "$site_pid" ] && kill "$site_pid" 2>/dev/null || true
  quarvel_stop
}
trap cleanup EXIT
quarvel_display
quarvel_wine
want=${1:-}
bench=$BUILD_DIR/bench

# Starts the reference site on a free port with the given switches; sets site_pid and site_port.
start_site() {
  local port_file
  port_file=$(mktemp)
  python3 "$QUARVEL_ROOT/site/server.py" --port 0 --port-file "$port_file" "$@" >/dev/null 2>&1 &
  site_pid=$!
  for _ in $(seq 1 100); do [ -s "$port_file" ] && break; sleep 0.1; done
  site_port=$(cat "$port_file")
  rm -f "$port_file"
}
stop_site() { kill "$site_pid"; site_pid=; }

if [ -z "$want" ] || [[ parse == *"$want"* ]]; then
  # One 50-row result page of the reference site, as the search would receive it.
  start_site --rows-per-page 50
  page=$bench/page50.txt
  python3 -c "import sys, urllib.request; sys.stdout.buffer.write(urllib.request.urlopen('http://127.0.0.1:%s/ajax/search_next?s=&p=1' % sys.argv[1]).read())" \
    "$site_port" > "$page"
  stop_site
  echo "== parse_bench: one 50-row result page"
  wine "$bench/parse_bench.exe" "$(winepath -w "$page")"
fi
if [ -z "$want" ] || [[ startup == *"$want"* ]]; then
  echo "== startup_bench: process start to the main window's first frame"
  wine "$bench/startup_bench.exe" "$(winepath -w "$BUILD_DIR/Quarvel.exe")" 11
fi
if [ -z "$want" ] || [[ list == *"$want"* ]]; then
  echo "== list_bench: 10,000 rows from a worker, ListView against SysListView32"
  wine "$bench/list_bench.exe"
fi
if [ -z "$want" ] || [[ search == *"$want"* ]]; then
  # The real main window fed by the site's many-page search: 200 pages of 50 rows.
  start_site --stress-pages 200 --stress-rows 50
  echo "== search_bench: 10,000 rows through the search's page steps, refill, memory, repaints"
  wine "$bench/search_bench.exe" "$site_port"
  stop_site
fi
if [ -z "$want" ] || [[ fetch == *"$want"* ]]; then
  start_site --stress-pages 50 --stress-rows 40
  echo "== fetch_bench: the CPU of one 40-row result page's exchange, and of a look at an empty queue"
  wine "$bench/fetch_bench.exe" "$site_port" 100
  stop_site
fi
if [ -z "$want" ] || [[ paced == *"$want"* ]]; then
  echo "== paced_search: process CPU per row of a real search, 50 pages of 40 rows at a page a second"
  bash "$QUARVEL_ROOT/bench/paced_search.sh" "${QUARVEL_BENCH_EXE:-$BUILD_DIR/Quarvel.exe}"
fi
if [ -z "$want" ] || [[ action == *"$want"* ]]; then
  # The real main window taking many results at once; detail pages answered after 200 ms.
  start_site --detail-delay-ms 200
  echo "== action_bench: many results at once (copy of 10,000 rows, 100 links at 200 ms a page, appends)"
  wine "$bench/action_bench.exe" "$site_port"
  stop_site
fi
if [ -z "$want" ] || [[ size == *"$want"* ]]; then
  # A release tree of its own (RELEASE_BUILD_DIR) gives the shipped size; otherwise this
  # tree's exe, as built and without its debug sections.
  # A relative RELEASE_BUILD_DIR is taken from the repository root, as scripts/release.sh does.
  release_dir=${RELEASE_BUILD_DIR:-$BUILD_DIR}
  case "$release_dir" in /*) ;; *) release_dir=$QUARVEL_ROOT/$release_dir ;; esac
  exe=$release_dir/Quarvel.exe
  type=$(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$(dirname "$exe")/CMakeCache.txt")
  stripped=$(mktemp --suffix=.exe)
  i686-w64-mingw32-strip -o "$stripped" "$exe"
  echo "== Quarvel.exe size ($type): $(stat -c %s "$exe") bytes; without debug sections: $(stat -c %s "$stripped") bytes"
  rm -f "$stripped"
fi
