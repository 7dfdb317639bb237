#!/usr/bin/env bash
# The runtime's heap blocks against glibc's calloc and free, as ratios of medians. Each
# measurement is a process of its own (bench/heap_compare.cpp), so that resident memory is one
# side's alone; the two sides run alternately, the first of each pair swapped every round, so
# that the drift of a shared machine falls on both alike. Goals:
#   resident bytes per live block (100,000 blocks)   at most 1.0x calloc's from 1 B to 1 KiB,
#                                                    1.1x at 3000 B;
#   release + take + touch, 64 live blocks           at most 1.0x;
#   churn: a million releases and takes of 1 B to 64 KiB with 10,000 live
#                                                    time at most 1.0x, peak resident 1.2x;
#   1 page in 256 of 469 MiB of pages left live      at most 10 MiB resident; after every
#                                                    release at most 10 MiB, no mapping added.
# Usage: bench/heap_ratios.sh [build-dir]   (default build/bench, configured if needed)
# Environment: KIVO_HEAP_ROUNDS (default 5 runs of each side per row).
# Exit status 0 when every goal holds, 1 when one fails.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/bench}
rounds=${KIVO_HEAP_ROUNDS:-5}
if [[ ! -f $build/CMakeCache.txt ]]; then
  (cd "$root" && cmake --preset bench > /dev/null)
fi
cmake --build "$build" --target heap_compare > /dev/null
program=$build/bench/heap_compare

# Runs one row on both sides, rounds times each; prints the median of every field of the
# output, kivo's then calloc's, all on one line.
measure() {
  local kivo="" libc="" i
  for ((i = 0; i < rounds; ++i)); do
    if ((i % 2 == 0)); then
      kivo+="$("$program" kivo "$@")"$'\n'
      libc+="$("$program" calloc "$@")"$'\n'
    else
      libc+="$("$program" calloc "$@")"$'\n'
      kivo+="$("$program" kivo "$@")"$'\n'
    fi
  done
  local side
  for side in "$kivo" "$libc"; do
    printf '%s' "$side" | awk '
      { for (f = 1; f <= NF; ++f) v[f, NR] = $f; fields = NF; rows = NR }
      END {
        for (f = 1; f <= fields; ++f) {
          n = 0
          for (r = 1; r <= rows; ++r) a[++n] = v[f, r]
          for (x = 1; x <= n; ++x) for (y = x + 1; y <= n; ++y) if (a[y] < a[x]) { t = a[x]; a[x] = a[y]; a[y] = t }
          printf "%s ", (n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2)
        }
      }'
  done
  echo
}

status=0
# row NAME UNIT KIVO CALLOC GOAL: one line of the table, the ratio against its goal.
row() {
  local verdict
  verdict=$(awk -v k="$3" -v l="$4" -v g="$5" 'BEGIN { r = k / l; printf "%.2f %s", r, (r > g ? "FAIL" : "") }')
  printf '%-40s %12.2f %12.2f %8s %6s  %s\n' "$1 ($2)" "$3" "$4" "${verdict% *}" "$5" "${verdict#* }"
  [[ $verdict != *FAIL ]] || status=1
}

printf '%-40s %12s %12s %8s %6s\n' "row" "kivo" "calloc" "ratio" "goal"
for n in 1 16 64 256 1024 3000; do
  read -r k l < <(measure resident "$n")
  row "resident per block, $n B" "bytes" "$k" "$l" "$([[ $n == 3000 ]] && echo 1.1 || echo 1.0)"
done
for range in "16 16" "16 1024" "1024 65536"; do
  read -r k l < <(measure ring $range)
  row "release + take + touch, ${range/ / to } B" "ns" "$k" "$l" 1.0
done
read -r kt kp lt lp < <(measure churn)
row "churn, time per release + take" "ns" "$kt" "$lt" 1.0
row "churn, peak resident" "MiB" "$kp" "$lp" 1.2
read -r ks ka km ls la lm < <(measure sparse)
printf '%-40s %12.2f %12.2f %8s %6s  %s\n' "1 in 256 of 469 MiB live (MiB)" "$ks" "$ls" "" "10" \
  "$(awk -v k="$ks" 'BEGIN { print (k > 10 ? "FAIL" : "") }')"
printf '%-40s %12.2f %12.2f %8s %6s  %s\n' "all released (MiB)" "$ka" "$la" "" "10" \
  "$(awk -v k="$ka" 'BEGIN { print (k > 10 ? "FAIL" : "") }')"
printf '%-40s %12d %12d %8s %6s  %s\n' "all released (mappings added)" "$km" "$lm" "" "0" \
  "$( ((km > 0)) && echo FAIL || true)"
if awk -v k="$ks" -v a="$ka" 'BEGIN { exit !(k > 10 || a > 10) }' || ((km > 0)); then status=1; fi
exit $status
