#!/usr/bin/env bash
# Fuzzes the window-free core natively: clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer (fuzz/, its own CMake project).
#
#   bash scripts/fuzz.sh          replay every seed and regression input, then a short
#                                 fixed-seed run per target; non-zero exit on any crash
#   bash scripts/fuzz.sh --long [TARGET...]
#                                 at least 1,000,000 executions per target (all, or those
#                                 named); prints per target the executions, libFuzzer's
#                                 coverage (cov/ft) and the crashes
#
# FUZZ_BUILD_DIR (default build-fuzz/) holds the native build, the long run's working corpora
# and the crash inputs it finds (artifacts/<target>/). FUZZ_RUNS overrides the 1,000,000.
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
FUZZ_BUILD_DIR="${FUZZ_BUILD_DIR:-$ROOT/build-fuzz}"
RUNS="${FUZZ_RUNS:-1000000}"
SHORT_RUNS=2000
mode=replay
case "${1:-}" in
  --long) mode=long; shift ;;
  "") ;;
  *) echo "usage: $0 [--long [TARGET...]]" >&2; exit 2 ;;
esac

# clang 14 is Debian 12's; its libFuzzer and sanitizer runtimes come with libclang-rt-14-dev.
pkgs=(clang-14 libclang-rt-14-dev cmake ninja-build)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  [ "$(id -u)" -eq 0 ] || { echo "fuzz: must run as root to install ${missing[*]}" >&2; exit 1; }
  echo "fuzz: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

cmake -S "$ROOT/fuzz" -B "$FUZZ_BUILD_DIR" -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$FUZZ_BUILD_DIR" -- -j2 >/dev/null

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for source in "$ROOT"/fuzz/targets/*.cpp; do targets+=("$(basename "$source" .cpp)"); done
fi
for t in "${targets[@]}"; do
  [ -f "$ROOT/fuzz/targets/$t.cpp" ] || { echo "fuzz: no target $t" >&2; exit 2; }
done
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"

# Inputs of a target: its seeds and its regression files.
inputs_of() {
  local t=$1
  find "$ROOT/fuzz/corpus/$t" "$ROOT/fuzz/regressions/$t" -type f 2>/dev/null | sort
}

replay() {
  local failed=0 t log
  log=$(mktemp)
  for t in "${targets[@]}"; do
    local bin="$FUZZ_BUILD_DIR/fuzz_$t" scratch
    mapfile -t files < <(inputs_of "$t")
    if [ ${#files[@]} -gt 0 ] && ! "$bin" -timeout=10 "${files[@]}" >"$log" 2>&1; then
      echo "fuzz: $t: an input crashed"; grep -E 'property failed|ERROR:|runtime error|Running:' "$log" | tail -5
      failed=1
      continue
    fi
    # A short run from the seeds; new inputs go to a scratch folder, never into the corpus.
    scratch=$(mktemp -d)
    if ! "$bin" -seed=1 -runs=$SHORT_RUNS -timeout=10 -artifact_prefix="$scratch/" "$scratch" \
           "$ROOT/fuzz/corpus/$t" >"$log" 2>&1; then
      echo "fuzz: $t: the short run crashed"; grep -E 'property failed|ERROR:|runtime error' "$log" | tail -5
      failed=1
    else
      echo "fuzz: $t: ${#files[@]} inputs replayed, $SHORT_RUNS runs, no crash"
    fi
    rm -rf "$scratch"
  done
  rm -f "$log"
  if [ $failed -ne 0 ]; then return 1; fi
  echo "fuzz: every input replayed without a crash"
}

long_run() {
  printf '%-18s %12s %8s %8s %8s\n' target executions cov ft crashes
  local t
  for t in "${targets[@]}"; do
    local bin="$FUZZ_BUILD_DIR/fuzz_$t" work="$FUZZ_BUILD_DIR/work/$t" art="$FUZZ_BUILD_DIR/artifacts/$t"
    local log="$FUZZ_BUILD_DIR/logs/$t.log" done=0 crashes=0 tries=0 cov=0 ft=0
    mkdir -p "$work" "$art" "$(dirname "$log")"
    : >"$log"
    # A crash stops libFuzzer: keep the input, count it and go on until the executions are done.
    while [ "$done" -lt "$RUNS" ] && [ $tries -lt 25 ]; do
      tries=$((tries + 1))
      local out rc=0 ran
      out=$(mktemp)
      "$bin" -runs=$((RUNS - done)) -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
             -artifact_prefix="$art/" "$work" "$ROOT/fuzz/corpus/$t" >"$out" 2>&1 || rc=$?
      cat "$out" >>"$log"
      ran=$(grep -oE 'stat::number_of_executed_units: [0-9]+' "$out" | grep -oE '[0-9]+$' || true)
      [ -n "$ran" ] || ran=$(grep -oE '^#[0-9]+' "$out" | tail -1 | tr -d '#' || true)
      done=$((done + ${ran:-0}))
      local last
      last=$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$out" | tail -1 || true)
      if [ -n "$last" ]; then cov=$(echo "$last" | awk '{print $2}'); ft=$(echo "$last" | awk '{print $4}'); fi
      rm -f "$out"
      [ $rc -eq 0 ] || crashes=$((crashes + 1))
      [ "${ran:-0}" -gt 0 ] || [ $rc -eq 0 ] || break
    done
    printf '%-18s %12d %8s %8s %8d\n' "$t" "$done" "$cov" "$ft" "$crashes"
  done
  echo "crash inputs (if any): $FUZZ_BUILD_DIR/artifacts/<target>/; logs: $FUZZ_BUILD_DIR/logs/"
}

if [ $mode = long ]; then long_run; else replay; fi
