#!/usr/bin/env bash
# Builds the Windows programs (the windows preset: mingw-w64, in build/windows), their help file
# Tokimori.chm and the installer Tokimori-VERSION-setup.exe (NSIS), which installs them under
# Program Files\Tokimori with a Start-menu entry and an uninstaller. The last line of its output
# is the installer's path. TOKIMORI_JOBS sets how many compilers run at once (default: one a
# processor).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh windows

cmake --preset windows >/dev/null
cmake --build --preset windows --parallel "${TOKIMORI_JOBS:-$(nproc)}" \
  --target tokimori tokimori-cli tokimori_help tokimori_setup

version=$(sed -n 's/^project(Tokimori VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
setup="$PWD/build/windows/Tokimori-$version-setup.exe"
if [ ! -f "$setup" ]; then
  echo "package-windows.sh: no installer at $setup" >&2
  exit 1
fi
echo "$setup"
