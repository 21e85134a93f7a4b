#!/usr/bin/env bash
# Builds the release configuration and prints the benchmark figures.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build/release --target window_bench
build/release/bench/window_bench "$@"
