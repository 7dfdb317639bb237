#!/usr/bin/env bash
# Builds everything and runs every test:
#   default  the Linux build (GCC): unit tests, end-to-end tests of showcase and payloadgen;
#   asan     the hosted tests again under AddressSanitizer and UBSan (clang), and a short run
#            of each fuzz target from its seed corpus;
#   mingw    the Windows build (mingw-w64), its tests run under wine, when both are installed;
#   aarch64, riscv64, s390x
#            the Linux builds for these processors (Debian's cross compilers), their tests run
#            under qemu-user, when both are installed.
# With a preset name as argument, only that one runs.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
kivo_need_build_tools
kivo_need libgtest-dev /usr/include/gtest/gtest.h
kivo_need strace strace
# The installed runtime is also built from outside the tree with pkg-config.
kivo_need pkg-config pkg-config
kivo_need clang clang++
kivo_install_missing
# The fuzz targets need clang's libFuzzer runtime, wherever this clang keeps it.
fuzzer_runtime=$(clang++ -print-file-name=libclang_rt.fuzzer-x86_64.a)
[[ -f $fuzzer_runtime ]] || kivo_missing+=(libclang-rt-dev)
kivo_install_missing

# The Windows tests need packages too large to install unasked; .ci/run installs them.
windows_absent() {
  command -v x86_64-w64-mingw32-g++-posix > /dev/null 2>&1 ||
    echo "the mingw-w64 cross compiler (package g++-mingw-w64-x86-64-posix)"
  command -v wine > /dev/null 2>&1 || [[ -x /usr/lib/wine/wine64 ]] || echo "wine (package wine64)"
  [[ -f /usr/src/googletest/CMakeLists.txt ]] || echo "the GoogleTest sources (package googletest)"
}

# The other Linux processors need their cross compiler and qemu-user; .ci/run installs them.
cross_absent() {
  command -v "$1-linux-gnu-g++" > /dev/null 2>&1 ||
    echo "the $1 cross compiler (package g++-$1-linux-gnu)"
  command -v "qemu-$1" > /dev/null 2>&1 || echo "qemu-$1 (package qemu-user)"
  [[ -f /usr/src/googletest/CMakeLists.txt ]] || echo "the GoogleTest sources (package googletest)"
}

run_preset() {
  echo "== $1"
  cmake --preset "$1" > /dev/null
  cmake --build --preset "$1"
  ctest --preset "$1"
}

status=0
for preset in ${1:-default asan mingw aarch64 riscv64 s390x}; do
  if [[ $preset == mingw ]]; then
    absent=$(windows_absent)
    if [[ -n $absent ]]; then
      echo "Windows tests skipped: these are not installed:"
      echo "$absent" | sed 's/^/  /'
      echo "  (as root: apt-get install g++-mingw-w64-x86-64-posix wine64 googletest; .ci/run does so)"
      continue
    fi
  elif [[ $preset =~ ^(aarch64|riscv64|s390x)$ ]]; then
    absent=$(cross_absent "$preset")
    if [[ -n $absent ]]; then
      echo "$preset tests skipped: these are not installed:"
      echo "$absent" | sed 's/^/  /'
      echo "  (as root: apt-get install g++-$preset-linux-gnu qemu-user googletest; .ci/run does so)"
      continue
    fi
  fi
  run_preset "$preset" || status=1
  # Wine's server lingers a few seconds after the last program; end it with the run.
  if [[ $preset == mingw && -x build/mingw/wine-run ]]; then build/mingw/wine-run --stop; fi
done
if ((status != 0)); then echo "Some tests failed."; fi
exit "$status"
