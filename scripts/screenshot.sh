#!/usr/bin/env bash
# Regenerates docs/editor.png: the Windows build's editor (default settings)
# under Wine on a virtual display, read from Wine's off-screen OpenGL window
# with xgrab. Installs and builds what it needs.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/deps.sh build test

cmake --preset linux >/dev/null
cmake --build --preset linux --target xgrab >/dev/null
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target Vesk2 vesk-host >/dev/null

. scripts/wine-env.sh
trap wine_env_stop EXIT
wine_env_start "$root/build/win64"
shot=$(mktemp -d)
export XDG_CONFIG_HOME="$shot"  # no user defaults: the factory look
(cd build/win64 && wine_run 60 ./vesk-host.exe edit Vesk2.dll --seconds 8 >"$shot/edit.txt" 2>&1) &
editor=$!
for _ in $(seq 150); do grep -q '^editor open' "$shot/edit.txt" 2>/dev/null && break; sleep 0.1; done
sleep 2  # a few frames
# Wine's OpenGL child: the editor's size, under a 1 x 1 parent off the screen.
window=$(xwininfo -root -tree | awk '/ 560x170\+0\+0 +\+-1\+-1/ {print $1; exit}')
[ -n "$window" ] || { echo "screenshot: the editor window was not found" >&2; exit 1; }
build/linux/xgrab "$window" >"$shot/editor.ppm"
/usr/bin/python3 -c "from PIL import Image; import sys; Image.open(sys.argv[1]).save(sys.argv[2], optimize=True)" \
    "$shot/editor.ppm" docs/editor.png
wait "$editor"
rm -rf "$shot"
echo "wrote docs/editor.png"
