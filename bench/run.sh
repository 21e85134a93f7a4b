#!/usr/bin/env bash
# Builds the release configuration and prints the benchmark figures.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOKIMORI_BENCH=ON
cmake --build build/release --target window_bench bench_floor tokimori-cli
photos="${1:-../shared/testdata/photos}"
echo "== tokimori-cli set, shift and filetime against exiftool (set also jhead, exiv2) and the floor"
python3 bench/peers.py build/release/tokimori-cli build/release/bench/bench_floor "$photos"
echo "== the main window"
build/release/bench/window_bench "$photos" build/release/bench/bench_floor
