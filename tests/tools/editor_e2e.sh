#!/bin/sh
# Vesk2's editor end to end: vesk-host edit opens it in a window on the X
# display, xdotool drives a real pointer and keyboard, and the host's report
# (gestures, automation, final values) and the saved state are checked.
# Run from the build root with the environment of e2e.sh; needs DISPLAY and
# xdotool. Exit status: 0 passed, 1 failed, 77 skipped.
set -u
work="tools-e2e/editor"
rm -rf "$work"
mkdir -p "$work"
fail() {
    echo "FAIL (editor): $*" >&2
    [ -f "$work/edit.txt" ] && sed 's/^/  | /' "$work/edit.txt" >&2
    exit 1
}
if [ -z "${DISPLAY:-}" ] || ! command -v xdotool >/dev/null 2>&1; then
    [ -z "${VESK_REQUIRE_DISPLAY:-}" ] || fail "DISPLAY or xdotool missing"
    exit 77
fi

# The user defaults file, in the Wine prefix or natively: removed before and
# after, so that this run starts from the factory state and leaves none behind.
defaults_files() {
    ls "${WINEPREFIX:-/nonexistent}"/drive_c/users/*/AppData/Roaming/Morlenvale/Vesk2.defaults \
        "${XDG_CONFIG_HOME:-/nonexistent}/Morlenvale/Vesk2.defaults" 2>/dev/null
}
clean_defaults() { defaults_files | while read -r f; do rm -f "$f"; done; }
clean_defaults

run() {
    if [ -n "${VESK_EMULATOR:-}" ]; then "$VESK_EMULATOR" "./$VESK_HOST" "$@"; else "./$VESK_HOST" "$@"; fi
}
# The same in the background, as its own process: $! is then the host itself.
start() {
    if [ -n "${VESK_EMULATOR:-}" ]; then exec "$VESK_EMULATOR" "./$VESK_HOST" "$@"; else exec "./$VESK_HOST" "$@"; fi
}

# The editor stays open 24 s; controller 7 arrives 20 s in, after the learn.
# The plug-in's debugger lines (leaks, failed checks) go to err.txt.
VESK_WINEDEBUG=-all,warn+debugstr start edit "$VESK_PLUGIN" --seconds 24 --reopen 50 --cc 882000:7=100 --save "$work/state.fxb" \
    >"$work/edit.raw" 2>"$work/err.txt" &
host_pid=$!
trap 'kill $host_pid 2>/dev/null; clean_defaults' EXIT
report() { if [ -f "$work/edit.raw" ]; then tr -d '\r' <"$work/edit.raw" >"$work/edit.txt"; else : >"$work/edit.txt"; fi; }
# wait_for PATTERN SECONDS: the report shows a line matching PATTERN.
wait_for() {
    i=0
    while [ "$i" -lt $(($2 * 10)) ]; do
        report
        grep -qE "$1" "$work/edit.txt" && return 0
        sleep 0.1
        i=$((i + 1))
    done
    fail "no line matching '$1' within $2 s"
}
wait_for '^editor open 560 x 170$' 30
# Fifty reopenings leave one editor window behind them, not fifty.
editors=$(xwininfo -root -tree | grep ' 560x170+' | grep -vc 'vesk-host edit')
[ "$editors" -le 1 ] || fail "$editors editor windows after reopening"

window=$(xdotool search --sync --name '^vesk-host edit' | head -n 1)
[ -n "$window" ] || fail "no editor window on the display"
eval "$(xdotool getwindowgeometry --shell "$window")"
# The client area is 560 x 170 inside the frame Wine or the window manager draws.
left=$((X + (WIDTH - 560) / 2))
top=$((Y + HEIGHT - 170 - (WIDTH - 560) / 2))
at() { xdotool mousemove "$((left + $1))" "$((top + $2))"; sleep 0.15; }
lines() { report; grep -c "$1" "$work/edit.txt"; }

# The pointer's shape: the arrow over the empty panel (160, 80) and the switch
# (512, 52), the hand over a knob, and the arrow again once it has left the knob.
shape() { ./xcursor; }
if [ -z "${VESK_EMULATOR:-}" ] && [ -x ./xcursor ]; then
    at 160 80; arrow=$(shape)
    at 120 42; hand=$(shape)
    [ "$hand" != "$arrow" ] || fail "the pointer over a knob has the panel's shape ($hand)"
    at 160 80; [ "$(shape)" = "$arrow" ] || fail "the knob's shape stayed over the empty panel"
    at 512 52; [ "$(shape)" = "$arrow" ] || fail "the knob's shape shows over the switch"
fi

# Keys over the panel go on to the host's window: its shortcuts keep working.
at 160 80
xdotool click 1 key space
wait_for '^host key$' 5

# Drag "reverb time" (centre 120, 42) up by 40 pixels: 0.5 -> 0.6.
at 120 42
xdotool mousedown 1; sleep 0.1
for dy in 10 20 30 40; do at 120 $((42 - dy)); done
xdotool mouseup 1
wait_for '^automate 1 0\.600000$' 5
wait_for '^end 1$' 5

# Shift makes it ten times finer: 40 pixels move 0.01.
at 120 42
xdotool keydown shift; xdotool mousedown 1; sleep 0.1
for dy in 20 40; do at 120 $((42 - dy)); done
xdotool mouseup 1; xdotool keyup shift
wait_for '^automate 1 0\.610000$' 5

# A double click resets to the default, one wheel detent moves 0.05.
at 120 42
xdotool click --repeat 2 --delay 80 1
wait_for '^automate 1 0\.500000$' 5
sleep 0.3
xdotool click 4
wait_for '^automate 1 0\.550000$' 5

# The switch (472, 40, 80 x 24) toggles the mode.
at 512 52
xdotool click 1
wait_for '^automate 12 1\.000000$' 5

# Right click on "reverb time", then MIDI Learn from its menu; controller 7 completes it.
at 120 42
xdotool click 3; sleep 0.5
xdotool key l; sleep 0.3

# The frame menu in the bottom-right corner: Load factory defaults, then Cancel
# in the question (the switch then keeps its value, checked at the end)...
at 550 164
xdotool click 3; sleep 0.5
xdotool key f; sleep 0.8
xdotool key Escape; sleep 0.5

# ...and Save defaults, then OK in the question.
at 550 164
xdotool click 3; sleep 0.5
xdotool key s; sleep 0.8
xdotool key Return; sleep 0.5

begins=$(lines '^begin ')
ends=$(lines '^end ')
[ "$begins" -eq "$ends" ] || fail "$begins gestures begun, $ends ended"

wait_for '^value 1 RTime 0\.787' 30
wait "$host_pid" || fail "vesk-host edit exited with $?"
trap - EXIT
report
grep -q '^value 12 Mode 1\.000000' "$work/edit.txt" || fail "the switch's value did not stay (a cancelled factory load?)"
# Fifty reopenings and the last close gave back every texture, and no check failed.
if grep -E 'possible leak|check failed' "$work/err.txt" >&2; then fail "the plug-in reported the lines above"; fi

# The question was answered OK: the defaults file exists.
[ -n "$(defaults_files)" ] || fail "no defaults file was written after Save defaults"
clean_defaults  # the next instance starts from the saved state alone

# The learn is in the saved state: a new instance with it follows controller 7.
run edit "$VESK_PLUGIN" --seconds 3 --preset "$work/state.fxb" --cc 4410:7=0 >"$work/again.raw" 2>&1 ||
    fail "vesk-host edit with the saved state failed: $(cat "$work/again.raw")"
tr -d '\r' <"$work/again.raw" | grep -q '^value 1 RTime 0\.000000' || fail "the learned controller 7 does not move reverb time"
exit 0
