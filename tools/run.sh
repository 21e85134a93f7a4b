#!/usr/bin/env bash
# Builds Tokimori's two programs and starts the desktop one (it needs a display; without one,
# run it as `xvfb-run -a tools/run.sh`). Only what building and running them needs is installed:
# the release configuration is made without its tests, which tools/test.sh builds.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh run
cmake --preset release -DTOKIMORI_TESTS=OFF
cmake --build --preset programs
exec build/release/tokimori "$@"
