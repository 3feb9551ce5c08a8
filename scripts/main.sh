#!/usr/bin/env bash
# Builds the plug-ins (VST 2.4, CLAP and VST3, Linux and Windows) and the
# command-line host, shows what a host sees of each, and renders a dry example
# through Vesk2 into out/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc)

scripts/deps.sh build test demo

step() { printf '\n=== %s\n' "$*"; }

step "Building Vesk2.so, Vesk2.clap, Vesk2.vst3 and vesk-host (Linux)"
cmake --preset linux >/dev/null
cmake --build --preset linux -j "$jobs" --target Vesk2 Vesk2Clap Vesk2Vst3 vesk-host

step "Building Vesk2.dll, Vesk2.clap, Vesk2.vst3 and vesk-host.exe (Windows x64)"
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$jobs" --target Vesk2 Vesk2Clap Vesk2Vst3 vesk-host

host=build/linux/vesk-host
mkdir -p out
export XDG_CONFIG_HOME="$root/out/config"  # the demo never touches the user's own defaults

step "vesk-host info Vesk2.so"
"$host" info build/linux/Vesk2.so

step "vesk-host info Vesk2.clap"
"$host" info build/linux/Vesk2.clap

step "vesk-host info Vesk2.vst3"
"$host" info build/linux/Vesk2.vst3

step "vesk-host.exe info Vesk2.dll, Vesk2.clap and Vesk2.vst3 (under Wine)"
. scripts/wine-env.sh
trap wine_env_stop EXIT
wine_env_start "$root/build/win64"
(cd build/win64 && wine_run 120 ./vesk-host.exe info Vesk2.dll && wine_run 120 ./vesk-host.exe info Vesk2.clap &&
  wine_run 120 ./vesk-host.exe info Vesk2.vst3)
wine_env_stop
trap - EXIT

step "Rendering the example"
scripts/make-dry-example.sh out/dry.wav
# Insert mode, a large room and a long reverb time.
settings=(--param Mode=1 --param Roomsz=0.9 --param RTime=0.95 --param Predel.=0.3 --param Output=0.7)
"$host" render build/linux/Vesk2.so out/dry.wav out/wet.wav "${settings[@]}" --tail 4
title=$("$host" info build/linux/Vesk2.so "${settings[@]}" |
  awk '$2 ~ /^(Mode|Roomsz|RTime|Predel\.|Output)$/ {v = $4; if ($5 != "") v = v " " $5; printf "%s%s %s", sep, $2, v; sep = ", "}')
sox -V1 out/dry.wav -n spectrogram -t "dry example" -o out/dry.png
sox -V1 out/wet.wav -n spectrogram -t "Vesk2: $title" -o out/wet.png

step "Done"
echo "Dry example:      $root/out/dry.wav"
echo "Through Vesk2:    $root/out/wet.wav"
echo "Spectrograms:     $root/out/dry.png  $root/out/wet.png"
