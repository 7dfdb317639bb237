#!/usr/bin/env bash
# The runtime's heap blocks against glibc's calloc and free (bench/heap_compare.cpp). Memory
# is measured in a process of one side alone, the two sides alternately; time in one process
# for both, taking turns, and the ratio is the median of the turns'. Each row is the median of
# several runs. Goals:
#   resident bytes per live block (100,000 blocks)   at most 1.0x calloc's from 1 B to 1 KiB,
#                                                    1.1x at 3000 B;
#   release + take + touch, 64 live blocks           at most 1.0x;
#   churn: a million releases and takes of 1 B to 64 KiB with 10,000 live
#                                                    time at most 1.0x, peak resident 1.2x;
#   1 page in 256 of 469 MiB of pages left live      at most 10 MiB resident; after every
#                                                    release at most 10 MiB, no mapping added.
# Usage: bench/heap_ratios.sh [build-dir]   (default build/bench, configured if needed)
# Environment: KIVO_HEAP_ROUNDS (default 5 runs per row, of each side for memory).
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

# The median of every field of the lines on standard input, on one line.
medians() {
  awk '{ for (f = 1; f <= NF; ++f) v[f, NR] = $f; fields = NF; rows = NR }
    END {
      for (f = 1; f <= fields; ++f) {
        for (r = 1; r <= rows; ++r) a[r] = v[f, r]
        for (x = 1; x <= rows; ++x) for (y = x + 1; y <= rows; ++y) if (a[y] < a[x]) { t = a[x]; a[x] = a[y]; a[y] = t }
        printf "%s ", (rows % 2 ? a[(rows + 1) / 2] : (a[rows / 2] + a[rows / 2 + 1]) / 2)
      }
      print ""
    }'
}

# memory KIND [ARG]: medians of kivo's runs, then of calloc's, alternating which goes first.
memory() {
  local kivo="" libc="" i
  for ((i = 0; i < rounds; ++i)); do
    if ((i % 2 == 0)); then
      kivo+="$("$program" "$1" kivo "${@:2}")"$'\n'
      libc+="$("$program" "$1" calloc "${@:2}")"$'\n'
    else
      libc+="$("$program" "$1" calloc "${@:2}")"$'\n'
      kivo+="$("$program" "$1" kivo "${@:2}")"$'\n'
    fi
  done
  echo "$(printf '%s' "$kivo" | medians) $(printf '%s' "$libc" | medians)"
}

# timed ARGS: medians of kivo ns, calloc ns and the ratio over the runs.
timed() {
  local i
  for ((i = 0; i < rounds; ++i)); do "$program" "$@"; done | medians
}

status=0
# row NAME UNIT KIVO CALLOC RATIO GOAL: one line of the table.
row() {
  local verdict
  verdict=$(awk -v r="$5" -v g="$6" 'BEGIN { print (r > g ? "FAIL" : "") }')
  printf '%-42s %11.2f %11.2f %7.2f %5s  %s\n' "$1 ($2)" "$3" "$4" "$5" "$6" "$verdict"
  [[ -z $verdict ]] || status=1
}
ratio() { awk -v k="$1" -v l="$2" 'BEGIN { printf "%.3f", k / l }'; }

printf '%-42s %11s %11s %7s %5s\n' "row" "kivo" "calloc" "ratio" "goal"
for n in 1 16 64 256 1024 3000; do
  read -r k l < <(memory resident "$n")
  row "resident per live block, $n B" "bytes" "$k" "$l" "$(ratio "$k" "$l")" \
    "$([[ $n == 3000 ]] && echo 1.1 || echo 1.0)"
done
for range in "16 16" "16 1024" "1024 65536"; do
  read -r k l r < <(timed ring $range)
  row "release + take + touch, ${range/ / to } B" "ns" "$k" "$l" "$r" 1.0
done
read -r k l r < <(timed churn)
row "churn, release + take + touch" "ns" "$k" "$l" "$r" 1.0
read -r k l < <(memory churn-peak)
row "churn, peak resident" "MiB" "$k" "$l" "$(ratio "$k" "$l")" 1.2
read -r ks ka km ls la lm < <(memory sparse)
limit() {  # limit NAME KIVO CALLOC GOAL
  local verdict
  verdict=$(awk -v k="$2" -v g="$4" 'BEGIN { print (k > g ? "FAIL" : "") }')
  printf '%-42s %11.2f %11.2f %7s %5s  %s\n' "$1" "$2" "$3" "" "$4" "$verdict"
  [[ -z $verdict ]] || status=1
}
limit "1 page in 256 of 469 MiB live (MiB)" "$ks" "$ls" 10
limit "all released, resident (MiB)" "$ka" "$la" 10
limit "all released, mappings added" "$km" "$lm" 0
exit $status
