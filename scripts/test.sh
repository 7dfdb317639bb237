#!/usr/bin/env bash
# Builds everything and runs every test. With "asan" as argument, the hosted tests are
# built and run under AddressSanitizer and UndefinedBehaviorSanitizer instead.
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-default}
source scripts/deps.sh
kivo_need_build_tools
kivo_need libgtest-dev /usr/include/gtest/gtest.h
kivo_need strace strace
kivo_install_missing

cmake --preset "$preset" > /dev/null
cmake --build --preset "$preset"
ctest --preset "$preset"
