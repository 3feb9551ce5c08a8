#!/bin/sh
# The Windows installer as a user meets it, under Wine in a fresh prefix:
# silent with a chosen VST 2.4 folder, each plug-in where it belongs and
# loading in vesk-host.exe, an entry among the installed programs, a second
# install over the first, and an uninstaller that removes all of it and
# nothing of the user's.
#   installer.sh DIST_FOLDER WIN64_BUILD_FOLDER      (exit 77: no Wine)
set -u
dist=$(cd "$1" && pwd) build=$(cd "$2" && pwd)
fail() { echo "FAIL (installer): $*" >&2; exit 1; }
command -v wine >/dev/null || { echo "installer.sh: no Wine: skipped"; exit 77; }
setup=$(ls "$dist"/Vesk2-*-win64-setup.exe 2>/dev/null | head -n 1)
[ -n "$setup" ] || fail "no Vesk2-*-win64-setup.exe in $dist"
version=$(basename "$setup" | sed 's/^Vesk2-\(.*\)-win64-setup.exe$/\1/')

work=$(mktemp -d)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k >/dev/null 2>&1; rm -rf "$work"' EXIT
wineboot -i >/dev/null 2>&1
wineserver -w
c="$WINEPREFIX/drive_c"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Morlenvale Vesk2'
vst2="$c/Studio/VST2/Vesk2.dll"
vst3="$c/Program Files/Common Files/VST3/Vesk2.vst3"
clap="$c/Program Files/Common Files/CLAP/Vesk2.clap"
program="$c/Program Files/Morlenvale/Vesk2"

install() {
    wine "$setup" /S '/VST2DIR=C:\Studio\VST2' >/dev/null 2>&1
    wineserver -w
    for f in "$vst2" "$vst3/Contents/x86_64-win/Vesk2.vst3" "$clap" "$program/Uninstall.exe" "$program/LICENSE.txt"; do
        [ -f "$f" ] || fail "$1: $f was not installed"
    done
    wine reg query "$key" /v DisplayVersion 2>/dev/null | tr -d '\r' | grep -q "$version" ||
        fail "$1: no entry with version $version among the installed programs"
    wine reg query "$key" /v Publisher 2>/dev/null | grep -q Morlenvale || fail "$1: the entry names no maker"
}
install "first install"
for plugin in 'C:\Studio\VST2\Vesk2.dll' 'C:\Program Files\Common Files\VST3\Vesk2.vst3' \
    'C:\Program Files\Common Files\CLAP\Vesk2.clap'; do
    wine "$build/vesk-host.exe" info "$plugin" >"$work/info.txt" 2>&1 || fail "vesk-host.exe cannot load $plugin"
    tr -d '\r' <"$work/info.txt" | grep -Eq '^Vendor +Morlenvale$' || fail "$plugin: $(cat "$work/info.txt")"
done
install "an install over the first"

# The user's own defaults stay; everything the installer put down goes.
appdata="$c/users/$(whoami)/AppData/Roaming/Morlenvale"
mkdir -p "$appdata" && echo mine >"$appdata/Vesk2.defaults"
wine "$program/Uninstall.exe" /S >/dev/null 2>&1
wineserver -w
for f in "$vst2" "$vst3" "$clap" "$program"; do [ ! -e "$f" ] || fail "the uninstaller left $f"; done
! wine reg query "$key" >/dev/null 2>&1 || fail "the uninstaller left the entry among the installed programs"
[ -f "$appdata/Vesk2.defaults" ] || fail "the uninstaller removed the user's defaults"
echo "installer: installed twice, loaded and removed"
