#!/usr/bin/env bash
# Builds Tokimori and runs every test: the source checks (formatting, layers); the release
# build's tests; every test again under AddressSanitizer and UndefinedBehaviorSanitizer (clang),
# with the fuzz harnesses; and the core's tests built for Windows with mingw-w64 and run under
# Wine with the Japanese code page. Warnings are errors in every build.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh

echo "== formatting"
git ls-files -z '*.cpp' '*.h' '*.c' | xargs -0 clang-format --dry-run -Werror

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOKIMORI_WERROR=ON
cmake --build build/release
ctest --test-dir build/release --output-on-failure

cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DTOKIMORI_WERROR=ON \
  -DTOKIMORI_SANITIZE=ON -DTOKIMORI_FUZZ=ON -DTOKIMORI_FUZZ_SECONDS=60
cmake --build build/sanitize
ASAN_OPTIONS=detect_leaks=1 \
  ctest --test-dir build/sanitize --output-on-failure

cmake -S . -B build/windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DTOKIMORI_GUI=OFF -DTOKIMORI_WERROR=ON
cmake --build build/windows
WINEPREFIX="$PWD/build/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
  LC_ALL=ja_JP.UTF-8 LANG=ja_JP.UTF-8 ctest --test-dir build/windows --output-on-failure
