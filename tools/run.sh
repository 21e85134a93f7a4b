#!/usr/bin/env bash
# Builds Tokimori and starts it (a desktop program: it needs a display; without one, run it as
# `xvfb-run -a tools/run.sh`).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build/release
exec build/release/tokimori "$@"
