#!/usr/bin/env bash
# Builds the release artifacts into dist/ (or the folder after --out):
#   Vesk2-<version>-win64-setup.exe   the Windows installer (NSIS)
#   Vesk2-<version>-win64.zip         the Windows plug-ins for installing by hand
#   vesk2_<version>_amd64.deb         the Debian package
#   Vesk2-<version>-linux-x86_64.tar.gz
#   SHA256SUMS
# The version is the one in CMakeLists.txt. Every artifact is reproducible:
# file times are SOURCE_DATE_EPOCH (the last commit's time unless set), owners
# root, members sorted. Installs what it needs from Debian's archive.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$root/dist
if [ "${1:-}" = --out ]; then
  [ -n "${2:-}" ] || { echo "usage: scripts/package.sh [--out FOLDER]" >&2; exit 2; }
  mkdir -p "$2"
  out=$(cd "$2" && pwd)
fi
mkdir -p "$out"
jobs=$(nproc)

scripts/deps.sh build package

version=$(sed -n 's/^project(Vesk2 VERSION \([0-9][0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "package.sh: no version in CMakeLists.txt" >&2; exit 1; }
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || stat -c %Y CMakeLists.txt)}
export TZ=UTC LC_ALL=C.UTF-8

step() { printf '\n=== %s\n' "$*"; }

for preset in linux win64; do
  step "Building $preset (release)"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs" --target Vesk2 Vesk2Clap Vesk2Vst3 vesk-host
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Fixed times and modes, so that every archive holds the same bytes each time.
settle() {
  find "$1" -type d -exec chmod 0755 {} +
  find "$1" -type f -exec chmod 0644 {} +
  [ $# -lt 2 ] || chmod 0755 "${@:2}"
  find "$1" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
}
crlf() { sed 's/\r$//; s/$/\r/' "$1" >"$2"; }
readme() { sed "s/@VERSION@/$version/" packaging/README-install.txt; }

step "Windows: the plug-ins, the archive and the installer"
win=$work/Vesk2-$version-win64
mkdir -p "$win/Vesk2.vst3/Contents/x86_64-win"
x86_64-w64-mingw32-strip -o "$win/Vesk2.dll" build/win64/Vesk2.dll
x86_64-w64-mingw32-strip -o "$win/Vesk2.clap" build/win64/Vesk2.clap
x86_64-w64-mingw32-strip -o "$win/Vesk2.vst3/Contents/x86_64-win/Vesk2.vst3" \
  build/win64/Vesk2.vst3/Contents/x86_64-win/Vesk2.vst3
crlf LICENSE "$win/LICENSE.txt"
crlf resources/Vera-COPYRIGHT.txt "$win/Vera-COPYRIGHT.txt"
readme >"$work/README.txt"
crlf "$work/README.txt" "$win/README.txt"
settle "$win"
rm -f "$out/Vesk2-$version-win64.zip"
/usr/bin/python3 - "$work" "Vesk2-$version-win64" "$out/Vesk2-$version-win64.zip" <<'EOF'
import os, sys, time, zipfile
base, top, target = sys.argv[1], sys.argv[2], sys.argv[3]
stamp = time.gmtime(int(os.environ["SOURCE_DATE_EPOCH"]))[:6]
stamp = max(stamp, (1980, 1, 1, 0, 0, 0))
names = []
for folder, dirs, files in os.walk(os.path.join(base, top)):
    dirs.sort()
    for f in sorted(files):
        names.append(os.path.relpath(os.path.join(folder, f), base))
with zipfile.ZipFile(target, "w") as z:
    for name in sorted(names):
        info = zipfile.ZipInfo(name.replace(os.sep, "/"), stamp)
        info.external_attr = 0o644 << 16
        info.compress_type = zipfile.ZIP_DEFLATED
        info.create_system = 3
        with open(os.path.join(base, name), "rb") as f:
            z.writestr(info, f.read(), compresslevel=9)
EOF
{ cat "$win/LICENSE.txt"; printf '\r\n\r\n'; cat "$win/Vera-COPYRIGHT.txt"; } >"$work/licence.txt"
cp "$work/licence.txt" "$win/licence.txt"
settle "$win"
makensis -V2 -NOCD -DVERSION="$version" -DSTAGE="$win" -DOUTFILE="$out/Vesk2-$version-win64-setup.exe" \
  packaging/windows/Vesk2.nsi >/dev/null
rm "$win/licence.txt"

step "Linux: the archive and the Debian package"
lin=$work/Vesk2-$version-linux-x86_64
mkdir -p "$lin/Vesk2.vst3/Contents/x86_64-linux"
strip --strip-unneeded -o "$lin/Vesk2.so" build/linux/Vesk2.so
strip --strip-unneeded -o "$lin/Vesk2.clap" build/linux/Vesk2.clap
strip --strip-unneeded -o "$lin/Vesk2.vst3/Contents/x86_64-linux/Vesk2.so" build/linux/Vesk2.vst3/Contents/x86_64-linux/Vesk2.so
strip -o "$lin/vesk-host" build/linux/vesk-host
cp LICENSE "$lin/LICENSE.txt"
cp resources/Vera-COPYRIGHT.txt "$lin/Vera-COPYRIGHT.txt"
readme >"$lin/README.txt"
settle "$lin" "$lin/vesk-host"
tar --sort=name --mtime="@$SOURCE_DATE_EPOCH" --owner=0 --group=0 --numeric-owner --format=gnu \
  -C "$work" -cf - "Vesk2-$version-linux-x86_64" | gzip -9n >"$out/Vesk2-$version-linux-x86_64.tar.gz"

deb=$work/deb
mkdir -p "$deb/DEBIAN" "$deb/usr/bin" "$deb/usr/lib/vst" "$deb/usr/lib/clap" "$deb/usr/share/doc/vesk2" \
  "$deb/usr/lib/vst3/Vesk2.vst3/Contents/x86_64-linux"
cp "$lin/Vesk2.so" "$deb/usr/lib/vst/Vesk2.so"
cp "$lin/Vesk2.clap" "$deb/usr/lib/clap/Vesk2.clap"
cp "$lin/Vesk2.vst3/Contents/x86_64-linux/Vesk2.so" "$deb/usr/lib/vst3/Vesk2.vst3/Contents/x86_64-linux/Vesk2.so"
cp "$lin/vesk-host" "$deb/usr/bin/vesk-host"
{
  echo "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/"
  echo "Upstream-Name: Vesk2"
  echo "Upstream-Contact: Morlenvale <packages@morlenvale.example>"
  echo "Source: https://morlenvale.example/"
  echo
  echo "Files: *"
  echo "Copyright: 2026 Morlenvale"
  echo "License: Morlenvale-Vesk2"
  echo
  echo "Files: usr/lib/*"
  echo "Copyright: 2026 Morlenvale"
  echo " 2003 Bitstream, Inc. (the embedded Bitstream Vera Sans font)"
  echo "License: Morlenvale-Vesk2 and Bitstream-Vera"
  echo
  echo "License: Morlenvale-Vesk2"
  sed 's/^$/./; s/^/ /' LICENSE
  echo
  echo "License: Bitstream-Vera"
  sed 's/^[[:space:]]*$/./; s/^/ /' resources/Vera-COPYRIGHT.txt
} >"$deb/usr/share/doc/vesk2/copyright"
printf 'vesk2 (%s) unstable; urgency=medium\n\n  * Release %s: the reverb as VST 2.4, VST3 and CLAP plug-ins.\n\n -- Morlenvale <packages@morlenvale.example>  %s\n' \
  "$version" "$version" "$(date -u -d "@$SOURCE_DATE_EPOCH" -R)" | gzip -9n >"$deb/usr/share/doc/vesk2/changelog.gz"
mkdir -p "$deb/usr/share/man/man1"
sed "s/@VERSION@/$version/" packaging/debian/vesk-host.1 | gzip -9n >"$deb/usr/share/man/man1/vesk-host.1.gz"
# The libraries the binaries need, as Debian names them.
mkdir -p "$work/shlibs/debian"
printf 'Source: vesk2\n\nPackage: vesk2\nArchitecture: amd64\n' >"$work/shlibs/debian/control"
depends=$(cd "$work/shlibs" && dpkg-shlibdeps -O "$deb/usr/lib/vst/Vesk2.so" "$deb/usr/lib/clap/Vesk2.clap" \
  "$deb/usr/lib/vst3/Vesk2.vst3/Contents/x86_64-linux/Vesk2.so" "$deb/usr/bin/vesk-host" 2>/dev/null |
  sed -n 's/^shlibs:Depends=//p')
settle "$deb" "$deb/usr/bin/vesk-host"
cat >"$deb/DEBIAN/control" <<EOF
Package: vesk2
Version: $version
Architecture: amd64
Maintainer: Morlenvale <packages@morlenvale.example>
Installed-Size: $(du -sk --exclude=DEBIAN "$deb" | cut -f1)
Depends: $depends
Section: sound
Priority: optional
Homepage: https://morlenvale.example/
Description: stereo room reverb plug-in (VST 2.4, VST3 and CLAP)
 Vesk2 reverberates stereo audio with a sixteen-line feedback delay
 network: fourteen automatable parameters, sixteen programs, MIDI learn and
 its own editor, drawn sharp from 100 % to 300 %.
 .
 This package installs the plug-in where Linux hosts look for it:
 /usr/lib/vst (VST 2.4), /usr/lib/vst3 and /usr/lib/clap, and vesk-host, a
 command-line host for rendering and inspecting plug-ins.
EOF
(cd "$deb" && find usr -type f | sort | xargs md5sum) >"$deb/DEBIAN/md5sums"
settle "$deb" "$deb/usr/bin/vesk-host"
dpkg-deb --root-owner-group -Zxz --build "$deb" "$out/vesk2_${version}_amd64.deb" >/dev/null

step "Checksums"
(cd "$out" && sha256sum "Vesk2-$version-win64-setup.exe" "Vesk2-$version-win64.zip" "vesk2_${version}_amd64.deb" \
  "Vesk2-$version-linux-x86_64.tar.gz" >SHA256SUMS && cat SHA256SUMS)
echo "The release files are in $out"
