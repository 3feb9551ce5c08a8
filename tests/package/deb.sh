#!/bin/sh
# The Debian package as a user meets it: dpkg installs it, the plug-ins sit
# where Linux hosts look and load in the installed vesk-host, and dpkg -r
# leaves nothing of it behind.
#   deb.sh DIST_FOLDER      (exit 77: not root, or vesk2 already installed here)
set -u
dist=$1
fail() { echo "FAIL (deb): $*" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || { echo "deb.sh: installing needs root: skipped"; exit 77; }
if dpkg -s vesk2 >/dev/null 2>&1; then echo "deb.sh: vesk2 is installed here already: skipped"; exit 77; fi
deb=$(ls "$dist"/vesk2_*_amd64.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || fail "no vesk2_*_amd64.deb in $dist"
files="/usr/lib/vst/Vesk2.so /usr/lib/vst3/Vesk2.vst3/Contents/x86_64-linux/Vesk2.so /usr/lib/clap/Vesk2.clap
/usr/bin/vesk-host /usr/share/doc/vesk2/copyright /usr/share/doc/vesk2/changelog.gz /usr/share/man/man1/vesk-host.1.gz"

dpkg -i "$deb" >/dev/null || fail "dpkg -i $deb failed"
for f in $files; do [ -f "$f" ] || fail "$f was not installed"; done
home=$(mktemp -d)
for plugin in /usr/lib/vst/Vesk2.so /usr/lib/vst3/Vesk2.vst3 /usr/lib/clap/Vesk2.clap; do
    HOME=$home XDG_CONFIG_HOME=$home vesk-host info "$plugin" >"$home/info.txt" 2>&1 ||
        { dpkg -r vesk2 >/dev/null; fail "the installed vesk-host cannot load $plugin: $(cat "$home/info.txt")"; }
    grep -Eq '^Vendor +Morlenvale$' "$home/info.txt" || { dpkg -r vesk2 >/dev/null; fail "$plugin: $(cat "$home/info.txt")"; }
done

# Where Ardour 7 is installed, its scanners accept the installed files and it
# lists both builds from its own default folders (no plug-in path set).
if command -v ardour7-lua >/dev/null && [ -x /usr/lib/ardour7/ardour-vst3-scanner ]; then
    for scan in "ardour-vst-scanner /usr/lib/vst/Vesk2.so" "ardour-vst3-scanner /usr/lib/vst3/Vesk2.vst3"; do
        HOME=$home LD_LIBRARY_PATH=/usr/lib/ardour7 timeout 60 /usr/lib/ardour7/${scan% *} "${scan#* }" >"$home/scan.txt" 2>&1 ||
            { dpkg -r vesk2 >/dev/null; fail "Ardour's $scan failed: $(cat "$home/scan.txt")"; }
    done
    { echo "SESSION_DIR = '$home/session'"; cat "$(dirname "$0")/ardour_scan.lua"; } >"$home/scan.lua"
    # Ardour 7.3's Lua tool now and then dies of its own heap corruption: a run counts once it printed its last line.
    for attempt in 1 2 3; do
        rm -rf "$home/session"
        HOME=$home timeout 180 ardour7-lua "$home/scan.lua" >"$home/lua.txt" 2>&1
        grep -q '^listed all' "$home/lua.txt" && break
    done
    for plugin in /usr/lib/vst/Vesk2.so /usr/lib/vst3/Vesk2.vst3/Contents/x86_64-linux/Vesk2.so; do
        grep -q "^listed.*$plugin\$" "$home/lua.txt" || { dpkg -r vesk2 >/dev/null; fail "Ardour does not list $plugin: $(cat "$home/lua.txt")"; }
    done
    echo "deb: Ardour finds the VST 2.4 and VST3 builds in its default folders"
fi
rm -rf "$home"

dpkg -r vesk2 >/dev/null || fail "dpkg -r vesk2 failed"
for f in $files /usr/lib/vst3/Vesk2.vst3 /usr/share/doc/vesk2; do [ ! -e "$f" ] || fail "$f is left after removal"; done
echo "deb: installed, loaded and removed"
