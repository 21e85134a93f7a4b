#!/usr/bin/env bash
# Builds the benchmark programs (the release configuration's flags, in a folder of their own:
# build/bench) and prints the benchmark figures.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh bench
cmake --preset bench
cmake --build --preset bench
photos="${1:-../shared/testdata/photos}"
echo "== tokimori-cli set, shift and filetime against exiftool (set also jhead, exiv2) and the floor"
python3 bench/peers.py build/bench/tokimori-cli build/bench/bench/bench_floor "$photos"
echo "== the main window"
build/bench/bench/window_bench "$photos" build/bench/bench/bench_floor
