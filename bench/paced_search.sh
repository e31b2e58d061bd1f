#!/usr/bin/env bash
# Process CPU per row of a real search: the exe against the reference site, 50 pages of 40 rows
# at the program's own pace of a page a second, the rows landing below the view. The process's
# idle CPU, measured just before over 10 s, is taken off; Wine's server is reported beside it.
#   bash bench/paced_search.sh [EXE]    (bench/run.sh paced; the display and Wine are set up)
set -euo pipefail
source "$(dirname "$0")/../scripts/lib.sh"
exe=${1:-$BUILD_DIR/Quarvel.exe}
pages=${PACED_PAGES:-50}
rows=${PACED_ROWS:-40}
tick=$(getconf CLK_TCK)

host=$(sed -n 's/^QUARVEL_SEARCH_HOST:STRING=//p' "$BUILD_DIR/CMakeCache.txt")
port=${host##*:}
log=$(mktemp)
python3 "$QUARVEL_ROOT/site/server.py" --port "$port" --log "$log" --stress-pages "$pages" --stress-rows "$rows" \
  >/dev/null 2>&1 &
site=$!
wine "$exe" >/dev/null 2>&1 &
cleanup() {
  kill "$site" 2>/dev/null || true
  wine "$BUILD_DIR/tools/wintool.exe" close "$QUARVEL_CAPTION" >/dev/null 2>&1 || true
}
trap cleanup EXIT
info=$(quarvel_main_window) || die "paced search: the main window did not appear"
read -r x y _ _ _ <<<"$info"

# CPU ticks (user and system) of the program's process and of Wine's server.
program_ticks() {
  local total=0 pid
  for pid in $(pgrep -f 'Quarvel\.exe'); do
    [ -r "/proc/$pid/stat" ] || continue
    total=$((total + $(awk '{print $14 + $15}' "/proc/$pid/stat")))
  done
  echo "$total"
}
# The main (UI) thread of the program: the process's first thread.
ui_ticks() {
  local pid
  pid=$(pgrep -f 'Quarvel\.exe' | head -1)
  awk '{print $14 + $15}' "/proc/$pid/task/$pid/stat"
}
server_ticks() { awk '{print $14 + $15}' "/proc/$(pgrep -n wineserver)/stat"; }
now() { date +%s.%N; }
calc() { awk "BEGIN { print $1 }"; }

sleep 2
idle_start=$(now) idle_ticks=$(program_ticks) idle_ui=$(ui_ticks)
sleep 10
idle_rate=$(calc "($(program_ticks) - $idle_ticks) / ($(now) - $idle_start)")  # ticks a second
idle_ui_rate=$(calc "($(ui_ticks) - $idle_ui) / ($(now) - $idle_start)")

xdotool mousemove $((x + 200)) $((y + 47)) click 1
xdotool type --delay 20 "stress"
start=$(now) start_ticks=$(program_ticks) start_server=$(server_ticks) start_ui=$(ui_ticks)
xdotool mousemove $((x + 490)) $((y + 47)) click 1
# The run ends on the empty page after the last one.
for _ in $(seq 1 $((pages * 4 + 60))); do grep -q "p=$((pages + 1)) " "$log" && break; sleep 0.5; done
grep -q "p=$((pages + 1)) " "$log" || die "paced search: the run did not reach its end"
sleep 1
elapsed=$(calc "$(now) - $start")
used=$(calc "($(program_ticks) - $start_ticks) / $tick")
ui_used=$(calc "($(ui_ticks) - $start_ui - $idle_ui_rate * $elapsed) / $tick")
idle=$(calc "$idle_rate * $elapsed / $tick")
server=$(calc "($(server_ticks) - $start_server) / $tick")
total=$((pages * rows))
printf '%d rows (%d pages) in %.1f s: process CPU %.2f s, idle share %.2f s: %.3f ms per row (target <= 0.05; 0.27 for this build, 0.10-0.15 released, at the start); Wine server %.3f ms per row\n' \
  "$total" "$pages" "$elapsed" "$used" "$idle" "$(calc "($used - $idle) * 1000 / $total")" "$(calc "$server * 1000 / $total")"
printf 'of it the UI thread %.2f s (%.1f ms a page), the other threads %.1f ms a page; idle %.1f ms a second\n' \
  "$ui_used" "$(calc "$ui_used * 1000 / $pages")" "$(calc "($used - $idle - $ui_used) * 1000 / $pages")" \
  "$(calc "$idle_rate * 1000 / $tick")"
rm -f "$log"
