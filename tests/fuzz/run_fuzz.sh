#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a bounded time and fails on any
# crash, sanitizer report, leak, time-out or broken check.
#   tests/fuzz/run_fuzz.sh BUILD_DIR [target...]
#   FUZZ_SECONDS   time per target (default 60)
# New interesting inputs go to BUILD_DIR/fuzz-work/<target>; the corpus in
# the repository is only read. An input that fails is copied into the
# corpus as crash-<hash> (commit it as a regression file once the fault is
# mended) and its path is printed.
set -uo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "${1:?usage: run_fuzz.sh BUILD_DIR [target...]}" && pwd)"
shift
seconds="${FUZZ_SECONDS:-60}"
targets=("$@")
((${#targets[@]})) || targets=(fuzz_scores fuzz_savedgame fuzz_picture_reference fuzz_picture_loader)

export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:abort_on_error=0:allocator_may_return_null=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$here/../sanitizers/lsan.supp:print_suppressions=0"

passed=0
failed=0
for t in "${targets[@]}"; do
  bin="$build/tests/fuzz/$t"
  work="$build/fuzz-work/$t"
  artifacts="$build/fuzz-artifacts/$t"
  log="$build/fuzz-work/$t.log"
  mkdir -p "$work" "$artifacts"
  rm -f "$artifacts"/*
  if [ ! -x "$bin" ]; then
    echo "$t: FAILED (not built: $bin)"
    failed=$((failed + 1))
    continue
  fi
  "$bin" -max_total_time="$seconds" -print_final_stats=1 -timeout=30 -rss_limit_mb=2560 \
         -artifact_prefix="$artifacts/" "$work" "$here/corpus/$t" >"$log" 2>&1
  rc=$?
  execs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
  # A report from a child process (the metafile renderer runs in one) does not
  # stop libFuzzer, so the log is searched as well.
  reports="$(grep -E 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:|zandor fuzz check failed' "$log" | head -3)"
  if [ "$rc" -eq 0 ] && [ -z "$reports" ]; then
    echo "$t: ${execs:-0} executions in ${seconds} s, no faults"
    passed=$((passed + 1))
  else
    echo "$t: FAILED (exit code $rc, ${execs:-?} executions), log: $log"
    [ -n "$reports" ] && echo "$reports" | sed 's/^/    /'
    grep -B2 -A25 -E 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:|zandor fuzz check failed' "$log" \
      | head -60 | sed 's/^/    /'
    for a in "$artifacts"/*; do
      [ -f "$a" ] || continue
      keep="$here/corpus/$t/crash-$(sha1sum "$a" | cut -c1-16)"
      cp "$a" "$keep"
      echo "    failing input kept as $keep"
    done
    failed=$((failed + 1))
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
