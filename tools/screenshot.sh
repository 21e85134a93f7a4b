#!/usr/bin/env bash
# Starts the program under Xvfb on copies of the test photos, selects the first photo and saves a
# screenshot of the main window (default: docs/screenshot.png).
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-docs/screenshot.png}"
program="${TOKIMORI_PROGRAM:-build/release/tokimori}"
photos="${TOKIMORI_PHOTOS:-../shared/testdata/photos}"
[ -x "$program" ] || { echo "build the program first (tools/run.sh or tools/test.sh)"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/config/Tokimori" "$work/runtime" "$work/写真"
chmod 700 "$work/runtime"
for f in Canon_40D.jpg Nikon_D70.jpg Sony_HDR-HC3.jpg Panasonic_DMC-FZ30.jpg gps_DSCN0010.jpg \
         hdr_canon_hdr_NO.jpg Kodak_CX7530.jpg; do
  cp "$photos/$f" "$work/写真/"
done
printf '[Tokimori]\nDefPath=%s\nWTOP=0\nWLEFT=0\n' "$work/写真" > "$work/config/Tokimori/Tokimori.conf"
mkdir -p "$(dirname "$out")"
XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" \
  xvfb-run -a -s "-screen 0 900x560x24" bash -c "
    '$program' & pid=\$!
    sleep 3
    import -window root -crop 860x530+0+0 '$out'
    kill -TERM \$pid; wait \$pid"
echo "saved $out"
