#!/usr/bin/env bash
# Builds Tokimori and starts it. Until the main window lands this reads the test photos with
# the command-line companion.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build/release
photos="${1:-../shared/testdata/photos}"
exec build/release/tokimori-cli info "$photos"/*.jp*g
