#!/usr/bin/env bash
# Installs what the build, the tests and the demo need from Debian's archive.
# Idempotent: packages already present are not touched; nothing runs apt when
# everything is there. Usage: scripts/deps.sh [build|test|demo|bench|package]...
set -euo pipefail

build=(cmake ninja-build g++ pkg-config libsndfile1-dev libx11-dev libgl-dev libfreetype-dev dpkg-dev
       g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-tools)
# The artwork check regenerates resources/*.png with Pillow and the Vera fonts.
test=(clang libclang-rt-14-dev googletest wine wine64 xvfb xauth libgl1-mesa-dri xdotool x11-utils x11-xserver-utils libxcomposite-dev libxfixes-dev dragonfly-reverb-vst
      python3 python3-pil python3-numpy ttf-bitstream-vera)
demo=(sox libsox-fmt-base espeak-ng)
bench=(valgrind dragonfly-reverb-vst iem-plugin-suite-vst dpf-plugins-vst zam-plugins)
# The release files: the Windows installer (NSIS), the archives and the Debian package.
package=(nsis python3 xz-utils gzip)

wanted=("${build[@]}")
for group in "$@"; do
  case "$group" in
    build) ;;
    test) wanted+=("${test[@]}") ;;
    demo) wanted+=("${demo[@]}") ;;
    bench) wanted+=("${bench[@]}") ;;
    package) wanted+=("${package[@]}") ;;
    *) echo "deps.sh: unknown group '$group'" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "deps.sh: these packages are missing and installing them needs root: ${missing[*]}" >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -q >/dev/null
apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
