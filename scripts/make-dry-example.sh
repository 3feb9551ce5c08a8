#!/usr/bin/env bash
# A short dry example that shows a reverb well: a spoken phrase followed by a
# few hand claps, stereo, 48 kHz, 32-bit float. Everything is synthesised here.
set -euo pipefail
out=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
espeak-ng -v en-us -s 150 -w "$tmp/speech.wav" "Every room has a voice. Listen to the space between the words."
sox "$tmp/speech.wav" -r 48000 -c 2 -b 32 -e floating-point "$tmp/speech48.wav" norm -3
# A clap: a burst of band-passed noise with a fast decay, then silence.
sox -n -r 48000 -c 2 -b 32 -e floating-point "$tmp/clap.wav" synth 0.08 whitenoise \
  bandpass 1500 1.2q fade q 0.001 0.08 0.075 norm -6 pad 0 0.42
sox "$tmp/speech48.wav" "$tmp/clap.wav" "$tmp/clap.wav" "$tmp/clap.wav" "$tmp/clap.wav" "$out"
