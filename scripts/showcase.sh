#!/usr/bin/env bash
# Builds the Linux showcase and runs it. Needs only a compiler, cmake and ninja.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
kivo_need_build_tools
kivo_install_missing
cmake --preset release > /dev/null
cmake --build --preset release --target showcase > /dev/null
exec build/release/examples/showcase/showcase
