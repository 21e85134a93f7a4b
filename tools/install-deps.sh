#!/usr/bin/env bash
# Installs what building, running and testing Tokimori needs, from Debian 12's packages.
# Does nothing when everything is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build clang libclang-rt-14-dev googletest libgtest-dev python3
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libgl1-mesa-dev
  fonts-noto-cjk xvfb xauth x11-utils openbox xdotool
  libimage-exiftool-perl exiv2 jhead imagemagick e2fsprogs
  g++-mingw-w64-x86-64 wine wine64
  dpkg-dev file librsvg2-bin desktop-file-utils appstream man-db groff-base bash-completion
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
