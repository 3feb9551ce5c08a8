#!/bin/sh
# The Win32 window host on a real window under Wine, one case per call:
#   window_host.sh input|paint|classes
# Run from the build root with VESK_EMULATOR (Wine) and VESK_PROBE (the probe
# program) set, on the display DISPLAY names. The input case drives the window
# with xdotool: it waits for the probe's "ready" line, then after each action
# for the lines the action must produce; every wait is bounded.
# Exit status: 0 passed, 1 failed, 77 skipped.
set -u
case_name=$1
if [ -z "${VESK_EMULATOR:-}" ] || [ -z "${VESK_PROBE:-}" ]; then
  echo "SKIP: the Win32 window host is tested in the Windows build"
  exit 77
fi
if [ -z "${DISPLAY:-}" ] || ! command -v xdotool >/dev/null; then
  [ -z "${VESK_REQUIRE_DISPLAY:-}" ] || { echo "FAIL ($case_name): no DISPLAY or no xdotool" >&2; exit 1; }
  echo "SKIP: needs a display and xdotool"
  exit 77
fi

work="window-host/$case_name"
rm -rf "$work"
mkdir -p "$work"
out="$work/out.txt"
probe= mark=0

text() { tr -d '\r' <"$work/out.raw" >"$out"; }
# The lines since the last mark.
mark() { text; mark=$(wc -l <"$out"); }
since() { text; tail -n "+$((mark + 1))" "$out"; }

stop() {
  [ -n "$probe" ] || return 0
  echo quit >&3 2>/dev/null
  exec 3>&-
  wait "$probe"
  status=$? probe=
  text
}

fail() {
  [ -z "$probe" ] || kill "$probe" 2>/dev/null  # it may be stuck in a modal loop
  stop
  printf 'FAIL (%s): %s\n--- the probe said:\n' "$case_name" "$*" >&2
  cat "$out" "$work/err.txt" >&2
  exit 1
}

# start MODE: the probe in the background, reading fd 3. run MODE: the probe to its end.
start() {
  mkfifo "$work/in"
  timeout -k 5 30 "$VESK_EMULATOR" "./$VESK_PROBE" "$1" <"$work/in" >"$work/out.raw" 2>"$work/err.txt" &
  probe=$!
  exec 3<>"$work/in"
}
run() {
  timeout -k 5 30 "$VESK_EMULATOR" "./$VESK_PROBE" "$1" </dev/null >"$work/out.raw" 2>"$work/err.txt"
  status=$?
  text
  [ "$status" -eq 0 ] || fail "the probe exited with $status"
}

# await REGEX [COUNT]: waits, 10 s at most, until COUNT lines since the mark match.
await() {
  tries=0
  while [ "$(since | grep -cE -- "$1")" -lt "${2:-1}" ]; do
    tries=$((tries + 1))
    [ "$tries" -le 100 ] || fail "no ${2:-1} lines /$1/ within 10 s"
    kill -0 "$probe" 2>/dev/null || fail "the probe ended while waiting for /$1/"
    sleep 0.1
  done
}

# same WHAT REGEX WANT: the lines since the mark that match REGEX are WANT, in order.
same() {
  got=$(since | sed "${4:-\$}q" | grep -E -- "$2")
  [ "$got" = "$3" ] || fail "$1: got
$got
wanted
$3"
}

case "$case_name" in
input)
  start input
  await '^ready '
  set -- $(grep '^ready ' "$out")  # ready client X Y window X Y, on the screen
  cx=$3 cy=$4 wx=$6 wy=$7
  ax=$((cx + 20)) ay=$((cy + 30)) bx=$((cx + 220)) by=$((cy + 150))  # a and b in the client area

  mark
  xdotool mousemove $((ax + 40)) $((ay + 40)) click --repeat 2 --delay 100 1
  await '^a up ' 2
  same "a double click" '^a (down|up|doubleClick) ' "a down 40 40 button 1 mods 0
a up 40 40 button 1 mods 0
a doubleClick 40 40 button 1 mods 0
a up 40 40 button 1 mods 0"

  # Each at its own point, so that no two clicks make a double click.
  for held in shift:1 ctrl:2 shift+ctrl:3; do
    keys=${held%:*} mods=${held#*:}
    x=$((10 + 25 * mods))
    mark
    xdotool mousemove $((ax + x)) $((ay + 10)) keydown "$keys" click 1 keyup "$keys"
    await '^a up '
    same "a click with $keys held" '^a (down|up) ' "a down $x 10 button 1 mods $mods
a up $x 10 button 1 mods $mods"
  done

  # The wheel message has screen coordinates; the control gets its own, from
  # the window's outer edge. Three detents up, one down, then three notches in
  # one message as the plug-in forwards a host's wheel call.
  px=$((ax + 50)) py=$((ay + 60))
  at="$((px - wx - 20)) $((py - wy - 30))"
  mark
  xdotool mousemove $px $py click --repeat 3 --delay 50 4 click 5
  await '^a wheel ' 4
  echo forward-wheel >&3
  await '^a wheel ' 5
  same "wheel" '^(a wheel|forwarded)' "a wheel $at distance 1.000 mods 0
a wheel $at distance 1.000 mods 0
a wheel $at distance 1.000 mods 0
a wheel $at distance -1.000 mods 0
forwarded 1
a wheel $at distance 3.000 mods 0"

  mark
  xdotool mousemove $((ax + 5)) $((ay + 5))
  await '^a move 5 5 '
  xdotool mousemove $((wx - 40)) $((ay + 5))
  await '^a leave$'

  # The right button opens a's menu, centred under a (95 130 in the window):
  # the pointer chooses Gamma.
  item() { since | sed -n "s/^menu item $1 at //p" | tail -n 1; }
  mark
  xdotool mousemove $((ax + 60)) $((ay + 50)) click 3
  await '^menu item 3 at '
  set -- $(item 0)
  [ $(($1 - wx - 95)) -ge -2 ] && [ $(($1 - wx - 95)) -le 2 ] && [ $(($2 - wy - 130)) -gt 0 ] &&
    [ $(($2 - wy - 130)) -lt 20 ] || fail "the menu's first item is at $1 $2, not under the anchor"
  xdotool mousemove $(item 3) click 1
  await '^a menuCommand '
  same "a chosen item" '^a (down|up|menu)' "a down 60 50 button 2 mods 0
a menu shows
a menu closed
a menuCommand 9"

  # A greyed item cannot be chosen, Escape closes the menu: no command came
  # before the click after it. The open state ends with a capture change, b's below.
  mark
  xdotool mousemove $((ax + 80)) $((ay + 40)) click 3
  await '^menu item 1 at '
  xdotool mousemove $(item 1) click 1 sleep 0.3 key Escape
  await '^a menu closed'
  xdotool mousemove $((ax + 100)) $((ay + 20)) click 1
  await '^a up 100 20 '
  same "a greyed item, then Escape" '^a (down|menu)' "a down 80 40 button 2 mods 0
a menu shows
a menu closed
a down 100 20 button 1 mods 0"

  # b holds the capture while its button is down: moves outside the window
  # reach it relative to itself, and it is not left (until the release).
  mark
  xdotool mousemove $((bx + 30)) $((by + 30)) mousedown 1
  await '^b down '
  xdotool mousemove $((cx - 60)) $((cy - 40))
  await '^b move -280 -190 '
  sleep 0.6  # time for a wrong leave to arrive
  xdotool mousemove $((cx + 430)) $((cy + 320)) mouseup 1
  await '^b released'
  same "a drag outside the window" '^b (down|up|leave|captureLost|released)' "b down 30 30 button 1 mods 0
b up 210 170 button 1 mods 0
b captureLost
b released, menu open 0" '/^b released/'

  stop
  [ "$status" -eq 0 ] || fail "the probe exited with $status"
  grep -qx 'input destroyed' "$out" || fail "the window was not destroyed at the end"
  ;;

paint)
  run paint
  # While no device can be made, every paint tries again and fills black.
  first=$(sed -n 's/^paint first attempts \([0-9]*\) device none draws 0$/\1/p' "$out")
  failing=$(sed -n 's/^paint failing attempts \([0-9]*\) device none draws 0$/\1/p' "$out")
  [ -n "$first" ] && [ -n "$failing" ] && [ "$failing" -gt "$first" ] || fail "no retry after a failed device"
  grep -qx 'paint whitened pixels ffffff ffffff' "$out" || fail "GDI does not read back what it drew"
  grep -qx 'paint failing pixels 000000 000000' "$out" || fail "a failed paint did not fill the window black"
  # Then one more attempt makes the device, which draws the tree and is kept.
  grep -qE "^paint working attempts $((failing + 1)) device made draws [1-9]" "$out" &&
    grep -qE "^paint again attempts $((failing + 1)) device made draws [2-9]" "$out" ||
    fail "the retry did not make a device that draws and stays"
  grep -qx 'paint destroyed' "$out" || fail "the window was not destroyed at the end"
  ;;

classes)
  run classes
  want="common controls before none
box Error! | Couldn't create a wrapper windowclass. | 0x30
box Error! | Failed to create a control. | 0x10
refused created 0
common controls side-by-side
first created 1 class VornkitWinwrapper child 0
second created 1 class VornkitWinwrapper child 1
same class 1 parent 1
timer ticked 1
timer after stop 0
second destroyed
first destroyed
after close alive 0 0
dropped alive 0
after unload registered 0
again created 1 registered 1
again destroyed
done 0"
  [ "$(cat "$out")" = "$want" ] || fail "the classes and windows differ from:
$want"
  ;;

*) fail "unknown case" ;;
esac
echo "PASS ($case_name)"
