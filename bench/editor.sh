#!/usr/bin/env bash
# The editor's cost, Vesk2.dll under Wine on a virtual display (llvmpipe):
# milliseconds per full repaint, and the CPU share of a host with the editor
# open and nothing changing (the host's loop, silent audio through the
# reverb, the editor's 10 ms ticks), beside the same host without the ticks'
# work measured as the audio alone (vesk-host bench on silence).
# Usage: bench/editor.sh [--seconds N]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
seconds=10
[ "${1:-}" = "--seconds" ] && seconds=$2
scripts/deps.sh build test
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target Vesk2 vesk-host >/dev/null
. scripts/wine-env.sh
trap wine_env_stop EXIT
wine_env_start "$root/build/win64"
export XDG_CONFIG_HOME=$(mktemp -d)
cd build/win64
wine_run 120 ./vesk-host.exe edit Vesk2.dll --repaints 300 --seconds 0.5 | grep '^paint'
idle=$( { /usr/bin/time -f '%U %S' wine ./vesk-host.exe edit Vesk2.dll --seconds "$seconds" >/dev/null; } 2>&1 | tail -n 1)
audio=$(wine ./vesk-host.exe bench Vesk2.dll --signal silence --seconds "$seconds" --sr 44100 | tr -d '\r' |
        awk '/ns per frame/ {print $1}')
awk -v t="$idle" -v s="$seconds" -v ns="$audio" 'BEGIN {
  split(t, c, " "); cpu = (c[1] + c[2]) / s * 100; a = ns * 44100 / 1e9 * 100;
  printf "editor open and idle: %.2f %% of one core (%.2f %% of it the reverb on silence)\n", cpu, a }'
