#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a bounded time and fails on any
# crash, sanitizer report, leak, time-out or broken check.
#   tests/fuzz/run_fuzz.sh BUILD_DIR [target...]
#   FUZZ_SECONDS   time per target (default 20); as many targets run at a
#                  time as there are cores
# New interesting inputs go to BUILD_DIR/fuzz-work/<target>; the corpus in
# the repository is only read. An input that fails is copied into the
# corpus as crash-<hash> (commit it as a regression file once the fault is
# mended) and its path is printed.
set -uo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "${1:?usage: run_fuzz.sh BUILD_DIR [target...]}" && pwd)"
shift
seconds="${FUZZ_SECONDS:-20}"
targets=("$@")
((${#targets[@]})) || targets=(fuzz_scores fuzz_savedgame fuzz_picture_reference fuzz_picture_loader)

export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:abort_on_error=0:allocator_may_return_null=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$here/../sanitizers/lsan.supp:print_suppressions=0"

# Fuzzes one target; prints its verdict to BUILD_DIR/fuzz-work/<target>.verdict
# and ends with 0 when it found no fault.
fuzz_one() {
  local t="$1"
  local bin="$build/tests/fuzz/$t"
  local work="$build/fuzz-work/$t"
  local artifacts="$build/fuzz-artifacts/$t"
  local log="$build/fuzz-work/$t.log"
  local verdict="$build/fuzz-work/$t.verdict"
  mkdir -p "$work" "$artifacts"
  rm -f "$artifacts"/*
  if [ ! -x "$bin" ]; then
    echo "$t: FAILED (not built: $bin)" >"$verdict"
    return 1
  fi
  "$bin" -max_total_time="$seconds" -print_final_stats=1 -timeout=30 -rss_limit_mb=2560 \
         -artifact_prefix="$artifacts/" "$work" "$build/tests/fuzz/corpus/$t" \
         $( [ -d "$here/regressions/$t" ] && echo "$here/regressions/$t" ) >"$log" 2>&1
  local rc=$?
  local execs reports
  execs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
  # A report from a child process (the metafile renderer runs in one) does not
  # stop libFuzzer, so the log is searched as well.
  local pattern='ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:|zandor fuzz check failed'
  reports="$(grep -E "$pattern" "$log" | head -3)"
  if [ "$rc" -eq 0 ] && [ -z "$reports" ]; then
    echo "$t: ${execs:-0} executions in ${seconds} s, no faults" >"$verdict"
    return 0
  fi
  {
    echo "$t: FAILED (exit code $rc, ${execs:-?} executions), log: $log"
    grep -B2 -A25 -E "$pattern" "$log" | head -60 | sed 's/^/    /'
    for a in "$artifacts"/*; do
      [ -f "$a" ] || continue
      mkdir -p "$here/regressions/$t"
      keep="$here/regressions/$t/crash-$(sha1sum "$a" | cut -c1-16)"
      cp "$a" "$keep"
      echo "    failing input kept as $keep"
    done
  } >"$verdict"
  return 1
}

# As many targets at a time as there are cores.
mkdir -p "$build/fuzz-work"
running=0
for t in "${targets[@]}"; do
  if [ "$running" -ge "$(nproc)" ]; then
    wait -n
    running=$((running - 1))
  fi
  fuzz_one "$t" &
  running=$((running + 1))
done
wait

passed=0
failed=0
for t in "${targets[@]}"; do
  cat "$build/fuzz-work/$t.verdict" 2>/dev/null || echo "$t: FAILED (no verdict)"
  if grep -q "^$t: FAILED" "$build/fuzz-work/$t.verdict" 2>/dev/null || [ ! -f "$build/fuzz-work/$t.verdict" ]; then
    failed=$((failed + 1))
  else
    passed=$((passed + 1))
  fi
  rm -f "$build/fuzz-work/$t.verdict"
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
