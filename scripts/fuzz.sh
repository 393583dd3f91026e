#!/usr/bin/env bash
# Builds the fuzzers of the program's pure rules (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs them one after the other, then prints per fuzzer the executions,
# executions per second and findings.
#
#   bash scripts/fuzz.sh            10 million executions each
#   bash scripts/fuzz.sh 2000000    that many executions each
#   bash scripts/fuzz.sh 90s        that many seconds each
#   bash scripts/fuzz.sh 90s device_listing publish_validation    only these
#
# Each starts from its seed inputs (tests/fuzz/corpus/<fuzzer>/) and the inputs earlier runs found
# (build/fuzz/corpus/<fuzzer>/). An input that breaks a property, crashes, leaks or takes over 5 seconds
# is kept in build/fuzz/findings/<fuzzer>/ (run the fuzzer on that file to see it again), and the
# script exits with 1.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/scripts/common.sh"

budget="${1:-10000000}"
shift || true
case "$budget" in
  *s) limit=(-max_total_time="${budget%s}") ;;
  *) limit=(-runs="$budget") ;;
esac
[[ "$budget" =~ ^[0-9]+s?$ ]] || { echo "usage: $0 [executions | seconds followed by s] [fuzzer...]" >&2; exit 2; }

if ! build_log=$(build_fuzz 2>&1); then
  echo "$build_log" >&2
  exit 1
fi

out="$ROOT/build/fuzz"
# Every fuzzer tests/fuzz/CMakeLists.txt builds (it writes their names out), unless some are named.
mapfile -t fuzzers <"$out/tests/fuzz/fuzzers.txt"
((${#fuzzers[@]})) || { echo "no fuzzers listed in $out/tests/fuzz/fuzzers.txt" >&2; exit 1; }
if (($#)); then
  for name in "$@"; do
    [ -x "$out/tests/fuzz/fuzz_$name" ] || { echo "no fuzzer named $name (there are: ${fuzzers[*]})" >&2; exit 2; }
  done
  fuzzers=("$@")
fi
rows=()
failed=0
for name in "${fuzzers[@]}"; do
  mkdir -p "$out/corpus/$name" "$out/findings/$name" "$out/logs"
  log="$out/logs/$name.log"
  before=$(find "$out/findings/$name" -type f | wc -l)
  started=$SECONDS
  # -timeout makes an input that takes too long (a rule that is not linear in its input) a finding;
  # -max_len keeps inputs small enough for millions of runs; listings of a mebibyte are the parser
  # benchmark's and the fault tests' matter.
  rc=0
  "$out/tests/fuzz/fuzz_$name" "${limit[@]}" -max_len=4096 -timeout=5 -print_final_stats=1 \
    -artifact_prefix="$out/findings/$name/" "$out/corpus/$name" "$ROOT/tests/fuzz/corpus/$name" \
    >"$log" 2>&1 || rc=$?
  seconds=$((SECONDS - started))
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  found=$(($(find "$out/findings/$name" -type f | wc -l) - before))
  if [ "$rc" -ne 0 ] && [ "$found" -eq 0 ]; then found="exit $rc"; fi
  if [ "$rc" -ne 0 ]; then
    failed=1
    echo "== $name: finding (log: $log)" >&2
    grep -E 'property broken|ERROR: |runtime error|SUMMARY|Test unit written' "$log" | head -8 >&2 || true
  fi
  rows+=("$(printf '%-20s %12s %10s %8s %9s  %s' "$name" "${execs:-?}" "${rate:-?}" "$seconds" \
    "$(find "$out/corpus/$name" -type f | wc -l)" "$found")")
done

printf '%-20s %12s %10s %8s %9s  %s\n' fuzzer execs execs/s seconds corpus findings
for row in "${rows[@]}"; do echo "$row"; done
exit "$failed"
