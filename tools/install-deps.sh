#!/usr/bin/env bash
# Installs, from Debian 12's packages, what one use of the source tree needs; does nothing when
# everything is already there.
#
# Usage: tools/install-deps.sh GROUP...
#   run      build the two programs and run them (tools/run.sh)
#   test     everything tools/test.sh builds and runs: the release, sanitizer and Windows builds,
#            the windows on Xvfb with openbox, the command line against exiftool, the package
#   package  build the Debian package (tools/package.sh)
#   windows  the Windows build, its help file and installer, and their tests under Wine
#            (tools/package-windows.sh)
#   bench    the benchmark and the tools it is compared with (bench/run.sh)
set -euo pipefail

# Building the programs (rsvg-convert: the configuration renders the icons) and what they need
# when they run: Qt's own Japanese texts and a Japanese font.
run=(build-essential cmake ninja-build qt6-base-dev qt6-base-dev-tools libgl1-mesa-dev
     librsvg2-bin qt6-translations-l10n fonts-noto-cjk)
# The Debian package: its build flags, dependencies and files.
package=("${run[@]}" dpkg-dev file)
# The Windows build with mingw-w64 and its tests under Wine on an X server with a window manager;
# the program icon (rsvg-convert, ImageMagick), the help file (chmcmd; libchm's tools read it
# back), the installer (NSIS).
windows=(build-essential cmake ninja-build googletest python3 g++-mingw-w64-x86-64 wine wine64
         xvfb xauth x11-utils openbox librsvg2-bin imagemagick fp-utils libchm-bin nsis)
test=("${package[@]}" "${windows[@]}"
      git clang-format                                           # the formatting check
      googletest libgtest-dev python3 clang libclang-rt-14-dev   # the tests, sanitizers, fuzzers
      xvfb xauth x11-utils openbox xdotool                       # the windows on an X server
      libimage-exiftool-perl e2fsprogs ffmpeg                    # exiftool, chattr, MP4s
      desktop-file-utils appstream man-db groff-base bash-completion)  # the package's files
bench=("${run[@]}" python3 libimage-exiftool-perl exiv2 jhead imagemagick ffmpeg)

(($#)) || { sed -n '5,12s/^# \{0,1\}//p' "$0" >&2; exit 2; }
packages=()
for group in "$@"; do
  case "$group" in
    run) packages+=("${run[@]}") ;;
    test) packages+=("${test[@]}") ;;
    package) packages+=("${package[@]}") ;;
    windows) packages+=("${windows[@]}") ;;
    bench) packages+=("${bench[@]}") ;;
    *) echo "install-deps.sh: no group '$group' (run, test, package, windows, bench)" >&2; exit 2 ;;
  esac
done

missing=()
for p in $(printf '%s\n' "${packages[@]}" | sort -u); do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
