#!/usr/bin/env bash
# Whole-command timings of payloadgen on a toolchain-sized tree, next to two baselines
# measured in the same run:
#   xxd -i  on the same bytes (all inputs concatenated into one file), and
#   cat     of a file as large as the header (cat header > copy): the write payloadgen feeds.
# The tree: a 64 MiB bin/Release/kivoc.exe and 500 lib files of mixed sizes, 0 B to 1 MiB
# (log-uniform, so most are small and a few are large). Goals: payloadgen no slower than the
# copy, and at least 10 times faster than xxd -i.
#
# Usage: bench/payloadgen_bench.sh [payloadgen binary] [runs of payloadgen and copy, 15]
# Without a binary, the bench preset's build is used (configured and built if needed).
# The tree goes to a temporary directory under $TMPDIR (default /tmp), about 1.2 GB at peak.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${2:-15}
if [[ $# -ge 1 ]]; then
  tool=$(realpath "$1")
else
  cmake --preset bench > /dev/null
  cmake --build --preset bench --target payloadgen > /dev/null
  tool=$PWD/build/bench/tools/payloadgen
fi
for needed in hyperfine xxd awk; do
  command -v "$needed" > /dev/null || { echo "payloadgen_bench: needs $needed" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/payloadgen-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
tree=$work/tree
mkdir -p "$tree/bin/Release" "$tree/lib" "$tree/tools"

echo "building the tree in $work ..."
head -c $((64 << 20)) /dev/urandom > "$tree/bin/Release/kivoc.exe"
# Sizes from a fixed generator, so every run of the bench embeds the same amount.
awk 'BEGIN {
  srand(20240607)
  for (i = 0; i < 500; i++) {
    if (i == 0) size = 0; else if (i == 1) size = 1048576
    else size = int(2 ^ (rand() * 20.0001)) - 1
    printf "%d %d\n", i, size
  }
}' | while read -r i size; do
  head -c "$size" /dev/urandom > "$tree/lib/file$i.bin"
done
cat "$tree/bin/Release/kivoc.exe" "$tree"/lib/* > "$work/all.bin"
input_bytes=$(stat -c %s "$work/all.bin")

(cd "$tree" && "$tool" > /dev/null)
header_bytes=$(stat -c %s "$tree/tools/payload.h")
cp "$tree/tools/payload.h" "$work/header.h"
peak_kib=$(cd "$tree" && /usr/bin/time -f %M "$tool" 2>&1 > /dev/null || true)

# Each timed run starts with no dirty pages (sync before it), so that one command does not
# pay for the writeback of another's output. xxd is two orders slower: fewer runs suffice.
hyperfine --warmup 2 --runs "$runs" --prepare sync --export-csv "$work/fast.csv" \
  --command-name payloadgen "cd '$tree' && '$tool' > /dev/null" \
  --command-name "cat copy" "cat '$work/header.h' > '$work/copy.h'"
hyperfine --runs 3 --prepare sync --export-csv "$work/xxd.csv" \
  --command-name "xxd -i" "xxd -i '$work/all.bin' > '$work/xxd.h'"

echo
echo "input $((input_bytes >> 20)) MiB, header $((header_bytes >> 20)) MiB," \
  "payloadgen peak RSS ${peak_kib:-?} KiB"
awk -F, 'FNR > 1 { mean[$1] = $2; median[$1] = $4 }
END {
  printf "%-10s %10s %10s\n", "command", "mean s", "median s"
  for (c in mean) printf "%-10s %10.3f %10.3f\n", c, mean[c], median[c]
  printf "payloadgen / cat copy : %.2f (goal <= 1)\n", median["payloadgen"] / median["cat copy"]
  printf "xxd -i / payloadgen   : %.1f (goal >= 10)\n", median["xxd -i"] / median["payloadgen"]
}' "$work/fast.csv" "$work/xxd.csv"
