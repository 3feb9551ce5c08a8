#!/usr/bin/env bash
# Vesk2 beside Debian's Linux VST 2.4 reverbs, measured in one run on the same
# signal (noise bursts and silence), 48 kHz, block 512, through vesk-host:
# ns per stereo frame (median of interleaved rounds), the ratio peer / Vesk2,
# and callgrind instructions per frame (stable on a busy machine). Also Vesk2
# on silence after a loud tail and idle on silence, the engine alone on each
# of its paths with its cost through a 60 s tail at four rates, and
# Vesk2.dll under Wine.
#
# Usage: bench/peers.sh [--rounds N] [--seconds N] [--no-callgrind] [--no-wine]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
rounds=5 seconds=10 callgrind=1 wine=1
while [ $# -gt 0 ]; do
  case "$1" in
    --rounds) rounds=$2; shift ;;
    --seconds) seconds=$2; shift ;;
    --no-callgrind) callgrind=0 ;;
    --no-wine) wine=0 ;;
    *) echo "usage: $0 [--rounds N] [--seconds N] [--no-callgrind] [--no-wine]" >&2; exit 2 ;;
  esac
  shift
done

scripts/deps.sh build test bench
cmake --preset linux >/dev/null
cmake --build --preset linux --target Vesk2 vesk-host vesk-engine-bench >/dev/null
host=$root/build/linux/vesk-host
export XDG_CONFIG_HOME=$(mktemp -d)
trap 'rm -rf "$XDG_CONFIG_HOME"' EXIT

common=(--sr 48000 --block 512)
# name | plug-in | extra options | environment
plugins=(
  "Vesk2|$root/build/linux/Vesk2.so|"
  "Vesk2 on AVX2|$root/build/linux/Vesk2.so||VESK2_VECTOR_PATH=avx2"
  "Vesk2 on SSE2|$root/build/linux/Vesk2.so||VESK2_VECTOR_PATH=sse2"
  "Dragonfly Room|/usr/lib/lxvst/DragonflyRoomReverb-vst.so|"
  "IEM FdnReverb (16 lines)|/usr/lib/x86_64-linux-gnu/iem-plugin-suite/vst/libFdnReverb.so|--param 10=0"
  "Dragonfly Hall|/usr/lib/lxvst/DragonflyHallReverb-vst.so|"
  "Dragonfly Plate|/usr/lib/lxvst/DragonflyPlateReverb-vst.so|"
  "MVerb|/usr/lib/vst/MVerb-vst.so|"
  "ZamVerb|/usr/lib/vst/ZamVerb-vst.so|"
)

field() { sed -n "s/.*\"$1\": \([-0-9.e+]*\).*/\1/p"; }
median() { sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }

declare -A samples names
available=()
for entry in "${plugins[@]}"; do
  IFS='|' read -r name path extra _ <<<"$entry"
  if [ -f "$path" ]; then available+=("$entry"); else echo "(skipping $name: $path not installed)"; fi
done

echo "Timing ${#available[@]} plug-ins, $rounds interleaved rounds of $seconds s each..."
for r in $(seq "$rounds"); do
  for entry in "${available[@]}"; do
    IFS='|' read -r name path extra environment <<<"$entry"
    # shellcheck disable=SC2086
    ns=$(env $environment "$host" bench "$path" "${common[@]}" --seconds "$seconds" --json $extra 2>/dev/null | field nsPerFrame)
    samples[$name]+="$ns "
  done
done

instructions() {  # $1 plug-in, $2 extra options, $3 environment: instructions per frame, start-up excluded
  local path=$1 extra=$2 environment=$3 short long
  # shellcheck disable=SC2086
  short=$(env $environment valgrind --tool=callgrind --callgrind-out-file=/dev/null "$host" bench "$path" "${common[@]}" \
            --seconds 1 $extra 2>&1 | sed -n 's/.*Collected : \([0-9]*\).*/\1/p')
  # shellcheck disable=SC2086
  long=$(env $environment valgrind --tool=callgrind --callgrind-out-file=/dev/null "$host" bench "$path" "${common[@]}" \
            --seconds 3 $extra 2>&1 | sed -n 's/.*Collected : \([0-9]*\).*/\1/p')
  [ -n "$short" ] && [ -n "$long" ] && echo $(( (long - short) / 96000 )) || echo "-"
}

vesk_ns=$(echo ${samples[Vesk2]} | tr ' ' '\n' | median)
vesk_ir=""
printf '\n%-26s %12s %14s %16s\n' "plug-in" "ns/frame" "peer / Vesk2" "instr/frame"
for entry in "${available[@]}"; do
  IFS='|' read -r name path extra environment <<<"$entry"
  ns=$(echo ${samples[$name]} | tr ' ' '\n' | median)
  ir="-"
  [ "$callgrind" = 1 ] && ir=$(instructions "$path" "$extra" "$environment")
  [ "$name" = Vesk2 ] && vesk_ir=$ir
  ratio=$(awk -v a="$ns" -v b="$vesk_ns" 'BEGIN {printf "%.2f", a / b}')
  printf '%-26s %12.1f %14s %16s\n' "$name" "$ns" "$ratio" "$ir"
done

echo
tail_ns=$(for r in $(seq "$rounds"); do "$host" bench "$root/build/linux/Vesk2.so" "${common[@]}" \
  --seconds "$seconds" --signal silence-after-tail --json | field nsPerFrame; done | median)
printf 'Vesk2 on silence after a loud tail: %.1f ns/frame (%.2f x the bursts figure)\n' "$tail_ns" \
  "$(awk -v a="$tail_ns" -v b="$vesk_ns" 'BEGIN {print a / b}')"

idle_ns=$(for r in $(seq "$rounds"); do "$host" bench "$root/build/linux/Vesk2.so" "${common[@]}" \
  --seconds "$seconds" --signal silence --json | field nsPerFrame; done | median)
printf 'Vesk2 idle on silence: %.2f ns/frame (%.1f %% of the bursts figure)\n' "$idle_ns" \
  "$(awk -v a="$idle_ns" -v b="$vesk_ns" 'BEGIN {print 100 * a / b}')"

echo
"$root/build/linux/vesk-engine-bench" --rounds "$rounds" --seconds "$seconds"

if [ "$wine" = 1 ]; then
  cmake --preset win64 >/dev/null
  cmake --build --preset win64 --target Vesk2 vesk-host >/dev/null
  . scripts/wine-env.sh
  trap 'wine_env_stop; rm -rf "$XDG_CONFIG_HOME"' EXIT
  wine_env_start "$root/build/win64"
  dll_ns=$(cd build/win64 && for r in $(seq "$rounds"); do wine ./vesk-host.exe bench Vesk2.dll "${common[@]}" \
    --seconds "$seconds" --json | tr -d '\r' | field nsPerFrame; done | median)
  printf '\nVesk2.dll under Wine: %.1f ns/frame (%.2f x Vesk2.so)\n' "$dll_ns" \
    "$(awk -v a="$dll_ns" -v b="$vesk_ns" 'BEGIN {print a / b}')"
  dll_idle=$(cd build/win64 && for r in $(seq "$rounds"); do wine ./vesk-host.exe bench Vesk2.dll "${common[@]}" \
    --seconds "$seconds" --signal silence --json | tr -d '\r' | field nsPerFrame; done | median)
  printf 'Vesk2.dll idle under Wine: %.2f ns/frame (%.2f x Vesk2.so idle)\n' "$dll_idle" \
    "$(awk -v a="$dll_idle" -v b="$idle_ns" 'BEGIN {print a / b}')"
fi
