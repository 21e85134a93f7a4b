#!/usr/bin/env bash
# Builds the release configuration with Debian's hardening flags and makes the Debian package
# with CPack. The last line of its output is the path of the .deb; install it with
#   apt install ./tokimori_VERSION_ARCH.deb
# TOKIMORI_BUILD_DIR chooses the build folder (default build/package).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh package

build=${TOKIMORI_BUILD_DIR:-build/package}

# Debian's compiler and linker flags (hardening, reproducible paths); CMake reads no CPPFLAGS,
# so the preprocessor's flags (_FORTIFY_SOURCE) go with the compilers'.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CFLAGS="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
export CFLAGS CXXFLAGS LDFLAGS

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOKIMORI_WERROR=ON \
  -DTOKIMORI_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/usr
cmake --build "$build" --parallel "$(nproc)"

rm -f "$build"/tokimori_*.deb
(cd "$build" && cpack -G DEB) | tee "$build/cpack.log"
deb=$(sed -n 's/^CPack: - package: \(.*\.deb\) generated\.$/\1/p' "$build/cpack.log")
if [ -z "$deb" ] || [ ! -f "$deb" ]; then
  echo "package.sh: CPack made no .deb (see $build/cpack.log)" >&2
  exit 1
fi
echo "$deb"
