#!/usr/bin/env bash
# Builds the Linux showcase and runs it.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
kivo_need_build_tools
kivo_need libgtest-dev /usr/include/gtest/gtest.h
kivo_install_missing
cmake --preset default > /dev/null
cmake --build --preset default --target showcase > /dev/null
exec build/default/examples/showcase/showcase
