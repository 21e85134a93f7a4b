#!/usr/bin/env bash
# Builds Tokimori and runs every test: the release build's tests, then the core's tests and the
# Exif fuzz run under AddressSanitizer and UndefinedBehaviorSanitizer (clang).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build/release
ctest --test-dir build/release --output-on-failure

cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DTOKIMORI_SANITIZE=ON -DTOKIMORI_GUI=OFF -DTOKIMORI_FUZZ=ON -DTOKIMORI_FUZZ_SECONDS=60
cmake --build build/sanitize
ctest --test-dir build/sanitize --output-on-failure
