#!/usr/bin/env bash
# Builds Tokimori and runs every test: the source checks (formatting, layers); the release
# build's tests; every test again under AddressSanitizer and UndefinedBehaviorSanitizer (clang),
# with the fuzz harnesses; and the core's tests built for Windows with mingw-w64 and run under
# Wine with the Japanese code page. Warnings are errors in every build. Each build is a preset of
# CMakePresets.json (configured, built and tested in build/PRESET).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh test

echo "== formatting"
git ls-files -z '*.cpp' '*.h' '*.c' | xargs -0 clang-format --dry-run -Werror

for preset in release sanitize windows; do
  echo "== $preset"
  cmake --workflow --preset "$preset"
done
