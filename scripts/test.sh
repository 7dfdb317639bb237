#!/usr/bin/env bash
# Builds everything and runs every test: the Linux build, then the Windows build (made with
# mingw-w64 and run under wine) when the cross compiler and wine are installed. With "asan"
# as argument, the hosted Linux tests are built and run under AddressSanitizer and
# UndefinedBehaviorSanitizer instead, and the Windows build is left alone.
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-default}
source scripts/deps.sh
kivo_need_build_tools
kivo_need libgtest-dev /usr/include/gtest/gtest.h
kivo_need strace strace
kivo_install_missing

status=0
cmake --preset "$preset" > /dev/null
cmake --build --preset "$preset"
ctest --preset "$preset" || status=1

[[ $preset == default ]] || exit "$status"

# The Windows tests need packages too large to install unasked; .ci/run installs them.
absent=()
command -v x86_64-w64-mingw32-g++-posix > /dev/null 2>&1 ||
  absent+=("the mingw-w64 cross compiler (package g++-mingw-w64-x86-64-posix)")
command -v wine > /dev/null 2>&1 || [[ -x /usr/lib/wine/wine64 ]] ||
  absent+=("wine (package wine64)")
[[ -f /usr/src/googletest/CMakeLists.txt ]] ||
  absent+=("the GoogleTest sources (package googletest)")
if ((${#absent[@]} > 0)); then
  echo "Windows tests skipped: these are not installed:"
  printf '  %s\n' "${absent[@]}"
  echo "  (as root: apt-get install g++-mingw-w64-x86-64-posix wine64; .ci/run does so)"
  exit "$status"
fi

echo "Windows build (mingw-w64), tests under wine:"
cmake --preset mingw > /dev/null
cmake --build --preset mingw
ctest --preset mingw || status=1
# Wine's server lingers a few seconds after the last program; end it with the run.
if [[ -x build/mingw/wine-run ]]; then build/mingw/wine-run --stop; fi
exit "$status"
