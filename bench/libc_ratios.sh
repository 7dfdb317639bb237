#!/usr/bin/env bash
# The runtime's byte routines and str_find against the C library's, as ratios of medians
# (CPU time) from one run of bench_libc_compare, with its kivo and libc rows interleaved at
# random so that the drift of a shared machine falls on both alike. Goals:
#   str_len, mem_copy, mem_move, mem_compare  at most 1.1x at 256 B, 4 KiB and 1 MiB, with the
#                                             buffers aligned (offset 0) and at odd offsets (1);
#   str_find on ordinary text                 at most 1.5x strstr;
#   str_find on every other family            at most 2x strstr;
#   str_find of a^(n/2)b in a^n at 1 MiB       under 10 ms.
# Usage: bench/libc_ratios.sh [build-dir]   (default build/bench, configured if needed)
# Environment: KIVO_RATIO_REPETITIONS (default 9), KIVO_RATIO_MIN_TIME (seconds a run, 0.1).
# Exit status 0 when every goal holds, 1 when one fails.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/bench}
repetitions=${KIVO_RATIO_REPETITIONS:-9}
min_time=${KIVO_RATIO_MIN_TIME:-0.1}
if [[ ! -f $build/CMakeCache.txt ]]; then
  (cd "$root" && cmake --preset bench > /dev/null)
fi
cmake --build "$build" --target bench_libc_compare > /dev/null

csv=$("$build/bench/bench_libc_compare" --benchmark_filter='^BM_(kivo|libc)_(str_len|mem_|str_find_)' \
    --benchmark_repetitions="$repetitions" --benchmark_min_time="$min_time" --benchmark_enable_random_interleaving=true \
    --benchmark_report_aggregates_only=true --benchmark_time_unit=ns --benchmark_format=csv 2> /dev/null)

# Median CPU time of each row, as "routine/bytes[/offset] kivo-ns libc-ns", in a fixed order.
medians=$(awk -F, '
    $1 ~ /_median"?$/ {
      name = $1; gsub(/"/, "", name); sub(/_median$/, "", name)
      side = name ~ /^BM_kivo_/ ? "kivo" : "libc"
      sub(/^BM_(kivo|libc)_/, "", name)
      t[side, name] = $4; names[name] = 1
    }
    END { for (name in names) print name, t["kivo", name], t["libc", name] }' <<< "$csv" |
  sort -t/ -k1,1 -k2,2n -k3,3n)

awk '
  BEGIN { printf "%-34s %14s %14s %8s %6s\n", "routine/bytes[/offset]", "kivo ns", "libc ns", "ratio", "goal" }
  {
    name = $1; k = $2; l = $3
    split(name, part, "/"); n = part[2] + 0
    goal = ""
    if (name ~ /^(str_len|mem_)/ && (n == 256 || n == 4096 || n == 1048576)) goal = 1.1
    if (name ~ /^str_find_/) goal = 2
    if (name ~ /^str_find_ordinary/) goal = 1.5
    ratio = l > 0 ? k / l : 0
    verdict = ""
    if (goal != "" && ratio > goal) { verdict = "  FAIL"; status = 1 }
    printf "%-34s %14.1f %14.1f %8.2f %6s%s\n", name, k, l, ratio, goal, verdict
    if (name == "str_find_half_run/1048576") half = k
  }
  END {
    printf "str_find a^(n/2)b in a^n, 1 MiB: %.3f ms (goal: under 10 ms)\n", half / 1e6
    if (half == "" || half >= 1e7) { print "FAIL: a^(n/2)b in a^n at 1 MiB"; status = 1 }
    exit status
  }' <<< "$medians"
