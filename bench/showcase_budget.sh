#!/usr/bin/env bash
# Budget of the shipped Linux showcase:
#   size      the binary file is under 32 KiB;
#   start-up  a whole run, spawn to exit, takes at most 1.5 times the run of an empty static
#             program that only exits (bench/empty_exit.cpp, same freestanding flags).
# The two programs are spawned alternately by bench/startup_ratio.cpp in this one invocation,
# so the drift of a shared machine falls on both alike; the verdict is the median of the
# ratios of neighbouring runs. For scale it also measures the floor (bench/startup_floor.cpp:
# the showcase's writes and live pages alone) against the empty program the same way.
# Usage: bench/showcase_budget.sh [build-dir]   (default build/bench, configured if needed)
# Environment: KIVO_BUDGET_RUNS (default 2000 runs of each program).
# Exit status 0 when both hold, 1 when either fails, 2 when it cannot measure.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/bench}
size_limit=32768
ratio_limit=1.5
runs=${KIVO_BUDGET_RUNS:-2000}

if [[ ! -f $build/CMakeCache.txt ]]; then
  if [[ $build == "$root/build/bench" ]]; then
    (cd "$root" && cmake --preset bench >/dev/null)
  else
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKIVO_BUILD_BENCH=ON >/dev/null
  fi
fi
cmake --build "$build" --target showcase empty_exit startup_floor startup_ratio -j2 >/dev/null
showcase=$build/examples/showcase/showcase

status=0
size=$(stat -c %s "$showcase")
echo "showcase size: $size bytes, $(awk -v s="$size" -v l="$size_limit" 'BEGIN { printf "%.2f", s / l }') of the 32 KiB limit"
if (( size >= size_limit )); then
  echo "FAIL: showcase is not under 32 KiB"
  status=1
fi

if ! out=$("$build/bench/startup_ratio" "$runs" "$showcase" "$build/bench/empty_exit"); then
  exit 2
fi
echo "$out" | sed -e 's/^program /showcase /' -e 's/^baseline /empty program /'
ratio=$(echo "$out" | awk '/^median paired ratio / { print $4 }')
echo "start-up ratio: $ratio (limit $ratio_limit)"
if awk -v r="$ratio" -v l="$ratio_limit" 'BEGIN { exit !(r > l) }'; then
  echo "FAIL: a showcase run takes more than 1.5 times the empty program's"
  status=1
fi

if ! floor=$("$build/bench/startup_ratio" "$runs" "$build/bench/startup_floor" "$build/bench/empty_exit"); then
  exit 2
fi
echo "$floor" | grep -E '^program ' | sed -e 's/^program /floor program /'
echo "floor ratio: $(echo "$floor" | awk '/^median paired ratio / { print $4 }') (the same writes and live pages, nothing else)"
exit $status
