#!/usr/bin/env bash
# FreeType for the Windows build: Debian's own source package (with Debian's
# patches), built once with the mingw-w64 toolchain into a static library with
# only the modules the plug-in's font needs. Later runs reuse it.
#   scripts/freetype-win64.sh [PREFIX]     (default build/deps/freetype-win64)
# Needs root the first time on a machine without deb-src entries.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
prefix=${1:-$root/build/deps/freetype-win64}
[ -f "$prefix/lib/libfreetype.a" ] && exit 0

work=$root/build/deps/freetype-source
mkdir -p "$work"
src=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'freetype-*' | head -n 1)
if [ -z "$src" ]; then
  # Source entries for the archive this machine already installs from.
  if ! apt-get source --download-only --print-uris freetype >/dev/null 2>&1; then
    for list in /etc/apt/sources.list.d/*.sources; do
      grep -q '^Types: deb$' "$list" || continue
      sed 's/^Types: deb$/Types: deb-src/' "$list" >"/etc/apt/sources.list.d/vesk-src-$(basename "$list")"
    done
    if [ -f /etc/apt/sources.list ]; then
      sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >/etc/apt/sources.list.d/vesk-src.list
    fi
    apt-get update -q >/dev/null
  fi
  (cd "$work" && apt-get source -q freetype >/dev/null 2>&1) || { echo "freetype-win64: apt-get source freetype failed" >&2; exit 1; }
  src=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'freetype-*' | head -n 1)
fi

# The modules a TrueType face needs with the auto-hinter and the smooth rasteriser.
cat >"$work/vesk-ftmodule.h" <<'MODULES'
FT_USE_MODULE( FT_Module_Class, autofit_module_class )
FT_USE_MODULE( FT_Driver_ClassRec, tt_driver_class )
FT_USE_MODULE( FT_Module_Class, sfnt_module_class )
FT_USE_MODULE( FT_Renderer_Class, ft_smooth_renderer_class )
MODULES

echo "Building FreeType for Windows (once)"
cmake -S "$src" -B "$work/build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF \
  -DFT_DISABLE_ZLIB=ON -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON \
  "-DCMAKE_C_FLAGS=-DFT_CONFIG_MODULES_H='<vesk-ftmodule.h>' -I$work" >/dev/null
cmake --build "$work/build" -j "$(nproc)" >/dev/null
cmake --install "$work/build" >/dev/null
echo "FreeType for Windows: $prefix/lib/libfreetype.a"
