#!/bin/sh
# Scripted runs of vesk-host against plug-in binaries, one case per call:
#   e2e.sh CASE
# Run from the build root. The environment names the files (relative to the
# build root, so that the Windows build runs the same cases under Wine):
#   VESK_HOST, VESK_EMULATOR (empty natively), VESK_PLUGIN, VESK_CLAP, VESK_VST3, PROBE_PLUGIN,
#   PROBE_NULL_PLUGIN, PROBE_NO_ENTRY_PLUGIN, DRAGONFLY_ROOM.
# Exit status: 0 passed, 1 failed, 77 skipped.
set -u
case_name=$1
work="tools-e2e/$case_name"
rm -rf "$work"
mkdir -p "$work"

fail() {
    echo "FAIL ($case_name): $*" >&2
    exit 1
}

# tool PROGRAM ARGS...: runs one of the build's programs (through the emulator
# when cross compiling); stdout in $work/out.txt, stderr in $work/err.txt (line
# ends normalised), exit status in $status.
tool() {
    program=$1
    shift
    if [ -n "${VESK_EMULATOR:-}" ]; then
        "$VESK_EMULATOR" "./$program" "$@" >"$work/out.raw" 2>"$work/err.raw"
    else
        "./$program" "$@" >"$work/out.raw" 2>"$work/err.raw"
    fi
    status=$?
    tr -d '\r' <"$work/out.raw" >"$work/out.txt"
    tr -d '\r' <"$work/err.raw" >"$work/err.txt"
}
host() { tool "$VESK_HOST" "$@"; }
png() { tool "$VESK_PNG" "$@"; }

# ok ARGS...: vesk-host must succeed.
ok() {
    host "$@"
    [ "$status" -eq 0 ] || fail "vesk-host $* exited with $status: $(cat "$work/err.txt")"
}

# refused STATUS TEXT ARGS...: vesk-host must fail with STATUS and say TEXT.
refused() {
    want_status=$1 want_text=$2
    shift 2
    host "$@"
    [ "$status" -eq "$want_status" ] || fail "vesk-host $* exited with $status, not $want_status: $(cat "$work/err.txt")"
    grep -qF -- "$want_text" "$work/err.txt" || fail "vesk-host $*: '$want_text' missing from: $(cat "$work/err.txt")"
}

# limited ARGS...: runs vesk-host as host() does, but with no room to write any
# file: a file size limit stops root too, and with SIGXFSZ ignored a write fails
# with EFBIG as on a full disk. Messages come back through a pipe, which the
# limit does not cover, into $work/err.txt; exit status in $status.
limited() {
    messages=$(
        trap '' XFSZ
        ulimit -f 0 || exit 125
        exec ${VESK_EMULATOR:+"$VESK_EMULATOR"} "./$VESK_HOST" "$@" 2>&1 >/dev/null
    )
    status=$?
    printf '%s\n' "$messages" | tr -d '\r' >"$work/err.txt"
}

# has TEXT...: every TEXT occurs in the last output.
has() {
    for text in "$@"; do
        grep -qF -- "$text" "$work/out.txt" || { cat "$work/out.txt" >&2; fail "'$text' missing from the output above"; }
    done
}

# line REGEX: some line of the last output matches the extended regular expression.
line() {
    grep -qE -- "$1" "$work/out.txt" || { cat "$work/out.txt" >&2; fail "no line matches /$1/ in the output above"; }
}

# row NAME SHOWN: the parameter table has NAME whose text (display and label) is SHOWN.
row() {
    r=$(grep -F -- "  $1  " "$work/out.txt" | head -n 1)
    case "$r" in
        *"  $2") ;;
        *) cat "$work/out.txt" >&2; fail "parameter '$1' does not show '$2' (row: '$r')" ;;
    esac
}

params_of() { sed -n '/^Parameters/,$p' "$work/out.txt"; }

# editor_window PID REPORT: waits until `vesk-host edit`, running as PID and
# writing to REPORT, has opened the editor (its "editor open" line follows
# effEditOpen, so the plug-in's window is there to take the pointer), then sets
# X, Y, WIDTH and HEIGHT to the host window's geometry; false when none came (a
# loaded machine may take a while; a host that ended shows none). A window that
# merely exists is not enough: pointer events sent before the editor is in it
# are lost.
editor_window() {
    window= i=0
    while [ -z "$window" ] && [ $i -lt 300 ] && kill -0 "$1" 2>/dev/null; do
        if grep -q 'editor open' "$2" 2>/dev/null; then
            window=$(xdotool search --onlyvisible --name '^vesk-host edit' 2>/dev/null | head -n 1)
        fi
        [ -n "$window" ] || { i=$((i + 1)); sleep 0.1; }
    done
    [ -n "$window" ] || return 1
    sleep 0.5
    eval "$(xdotool getwindowgeometry --shell "$window")"
}
# editor_gone: waits until no editor window of an earlier run is left. The X
# server removes a window when it has handled its client's end, which may come
# after the client's exit; a search meanwhile would find the old window.
editor_gone() {
    i=0
    while [ $i -lt 100 ] && [ -n "$(xdotool search --name '^vesk-host edit' 2>/dev/null)" ]; do
        i=$((i + 1)); sleep 0.1
    done
}
silent() { grep -q "output peak 1: -inf dBFS, 2: -inf dBFS" "$work/out.txt"; }
size_of() { wc -c <"$1" | tr -d ' '; }

case "$case_name" in

draw_test)
    # The drawing layer's test scene, with rectangle and with power-of-two
    # textures, against the committed picture. To renew that picture after a
    # deliberate change: vesk-host draw-test OUT.png on Linux, then save it
    # compressed (for example with Pillow) as tests/tools/golden/draw-test.png.
    if [ -z "${DISPLAY:-}" ]; then
        [ -z "${VESK_REQUIRE_DISPLAY:-}" ] || fail "DISPLAY is not set"
        exit 77
    fi
    golden="$VESK_SOURCE/tests/tools/golden/draw-test.png"
    for form in rectangle power-of-two; do
        option=; [ "$form" = power-of-two ] && option=--power-of-two
        ok draw-test $option "$work/$form.png"
        png compare "$work/$form.png" "$golden" --tolerance 2
        [ "$status" -eq 0 ] || fail "$form textures: $(cat "$work/out.txt" "$work/err.txt")"
    done
    ;;

editor_picture)
    # The editor at its defaults looks as in the README's picture (taken from
    # the Windows build under Wine), where the platform lets a host read it.
    if [ -z "${DISPLAY:-}" ]; then
        [ -z "${VESK_REQUIRE_DISPLAY:-}" ] || fail "DISPLAY is not set"
        exit 77
    fi
    host edit "$VESK_PLUGIN" --seconds 1 --screenshot "$work/editor.png"
    grep -q "does not let a host read" "$work/err.txt" && exit 77
    [ "$status" -eq 0 ] || fail "edit --screenshot exited with $status: $(cat "$work/err.txt")"
    png compare "$work/editor.png" "$VESK_SOURCE/docs/editor.png" --tolerance 2
    [ "$status" -eq 0 ] || fail "the editor differs from docs/editor.png: $(cat "$work/out.txt")"
    ;;

editor_scaled)
    # The editor at 200 % (the host's scale, CLAP and VST3): twice the size,
    # drawn sharp as the committed picture shows it, and a real pointer's drag
    # and wheel detent give the values they give at 100 %.
    if [ -z "${DISPLAY:-}" ]; then
        [ -z "${VESK_REQUIRE_DISPLAY:-}" ] || fail "DISPLAY is not set"
        exit 77
    fi
    command -v xdotool >/dev/null || fail "xdotool is missing"
    host edit "$VESK_VST3" --seconds 1 --scale 2 --screenshot "$work/editor-200.png"
    has "editor open 1120 x 340" || fail "at 200 % the editor is not 1120 x 340: $(cat "$work/out.txt" "$work/err.txt")"
    if ! grep -q "does not let a host read" "$work/err.txt"; then
        [ "$status" -eq 0 ] || fail "edit --scale 2 --screenshot exited with $status: $(cat "$work/err.txt")"
        png compare "$work/editor-200.png" "$VESK_SOURCE/tests/tools/golden/editor-200.png" --tolerance 2
        [ "$status" -eq 0 ] || fail "the editor at 200 % differs from the golden picture: $(cat "$work/out.txt")"
    fi
    # Linux, where neither the user nor the host chose a scale: the desktop's
    # Xft.dpi (192: 200 %), tried only on a display with no resources of its
    # own to disturb. A client holds the display meanwhile: the server clears
    # its resources when its last client leaves.
    if [ -z "${VESK_EMULATOR:-}" ] && command -v xrdb >/dev/null && [ -z "$(xrdb -query)" ]; then
        xdotool sleep 10 &
        holder=$!
        sleep 0.2
        printf 'Xft.dpi:\t192\n' | xrdb -nocpp -merge
        host edit "$VESK_PLUGIN" --seconds 0.3
        xrdb -nocpp -remove
        kill $holder 2>/dev/null
        wait $holder 2>/dev/null
        has "editor open 1120 x 340"
    fi
    for scale in 1 2; do
        editor_gone
        ${VESK_EMULATOR:+"$VESK_EMULATOR"} "./$VESK_HOST" edit "$VESK_CLAP" --seconds 3 --scale $scale >"$work/drag$scale.raw" 2>&1 &
        pid=$!
        editor_window $pid "$work/drag$scale.raw" || { wait $pid; fail "edit --scale $scale: no editor window: $(cat "$work/drag$scale.raw")"; }
        # "reverb time" at logical (120, 42): 40 logical pixels up, then one detent.
        left=$((X + (WIDTH - 560 * scale) / 2)) top=$((Y + HEIGHT - 170 * scale - (WIDTH - 560 * scale) / 2))
        xdotool mousemove $((left + 120 * scale)) $((top + 42 * scale)) mousedown 1 sleep 0.2 \
            mousemove $((left + 120 * scale)) $((top + 22 * scale)) sleep 0.2 \
            mousemove $((left + 120 * scale)) $((top + 2 * scale)) sleep 0.2 mouseup 1 sleep 0.2 click 4
        wait $pid
        tr -d '\r' <"$work/drag$scale.raw" | grep '^value 1 ' >"$work/value$scale.txt"
    done
    grep -q '^value 1 RTime 0.500000' "$work/value1.txt" && fail "the drag at 100 % changed nothing: $(cat "$work/value1.txt")"
    cmp -s "$work/value1.txt" "$work/value2.txt" ||
        fail "at 200 % the drag and detent give $(cat "$work/value2.txt"), at 100 % $(cat "$work/value1.txt")"
    ;;

editor_lifecycle)
    # Hosts that never call idle, and hosts that destroy their window before
    # effEditClose: the editor neither hangs nor leaks nor fails a check.
    if [ -z "${DISPLAY:-}" ]; then
        [ -z "${VESK_REQUIRE_DISPLAY:-}" ] || fail "DISPLAY is not set"
        exit 77
    fi
    for way in --no-idle --destroy-window-first; do
        VESK_WINEDEBUG=-all,warn+debugstr host edit "$VESK_PLUGIN" --seconds 1 --reopen 3 $way
        [ "$status" -eq 0 ] || fail "edit $way exited with $status: $(cat "$work/err.txt")"
        ! grep -E 'possible leak|check failed' "$work/err.txt" || fail "edit $way: the plug-in reported the lines above"
        has "editor open 560 x 170" || fail "edit $way: the editor did not open"
    done
    # The CLAP editor made and destroyed, and the VST3 view attached and
    # removed, forty times over; then the same drag tests.
    for plugin in "$VESK_CLAP" "$VESK_VST3"; do
        VESK_WINEDEBUG=-all,warn+debugstr host edit "$plugin" --seconds 1 --reopen 40
        [ "$status" -eq 0 ] && has "editor open 560 x 170" || fail "$plugin edit --reopen: $status, $(cat "$work/err.txt")"
        ! grep -E 'possible leak|check failed' "$work/err.txt" || fail "$plugin edit: the plug-in reported the lines above"
    done
    # A drag still held when the host ends the editor (effEditClose, or its
    # window destroyed first), with no idle call in between: every gesture
    # the host heard begin also ends.
    command -v xdotool >/dev/null || fail "xdotool is missing"
    for run in "$VESK_PLUGIN --close-first" "$VESK_PLUGIN --destroy-window-first" "$VESK_CLAP --close-first" \
        "$VESK_VST3 --close-first"; do
        plugin=${run% *} way=${run#* }
        [ "$way" = --close-first ] && way=
        editor_gone
        ${VESK_EMULATOR:+"$VESK_EMULATOR"} "./$VESK_HOST" edit "$plugin" --seconds 3 ${way:+"$way"} >"$work/drag.raw" 2>&1 &
        pid=$!
        editor_window $pid "$work/drag.raw" || { kill $pid; wait $pid; fail "edit $plugin $way: no editor window: $(cat "$work/drag.raw")"; }
        # "reverb time" (centre 120, 42 in the client area) pressed and moved up, never released.
        left=$((X + (WIDTH - 560) / 2)) top=$((Y + HEIGHT - 170 - (WIDTH - 560) / 2))
        xdotool mousemove $((left + 120)) $((top + 42)) mousedown 1 sleep 0.3 mousemove $((left + 120)) $((top + 22))
        wait $pid
        status=$?
        xdotool mouseup 1
        tr -d '\r' <"$work/drag.raw" >"$work/drag.txt"
        way="$plugin ${way:-"--close-first"}"
        [ "$status" -eq 0 ] || fail "edit $way with a held drag exited with $status: $(cat "$work/drag.txt")"
        begins=$(grep -c '^begin ' "$work/drag.txt") ends=$(grep -c '^end ' "$work/drag.txt")
        [ "$begins" -ge 1 ] || fail "edit $way: the drag began no gesture: $(cat "$work/drag.txt")"
        [ "$begins" -eq "$ends" ] || fail "edit $way: $begins gestures begun, $ends ended: $(cat "$work/drag.txt")"
    done
    ;;

clap)
    # Vesk2.clap beside the VST 2.4 build of the same code: what a host sees,
    # the samples it renders, and the state it keeps.
    ok info "$VESK_CLAP"
    line '^Format +CLAP$'
    line '^Identifier +com\.morlenvale\.vesk2$'
    line '^Name +Vesk2$'
    line '^Vendor +Morlenvale$'
    line '^Features +audio-effect\|reverb\|stereo$'
    line '^Inputs +2 \(Main L, Main R\)$'
    line '^MIDI input +yes$'
    params_of >"$work/clap-params.txt"
    ok info "$VESK_PLUGIN"
    params_of >"$work/vst2-params.txt"
    cmp -s "$work/clap-params.txt" "$work/vst2-params.txt" ||
        fail "the CLAP parameter table differs: $(diff "$work/vst2-params.txt" "$work/clap-params.txt")"

    ok signal "$work/in.wav" --kind bursts --seconds 3 --sr 48000
    # Automation at frames inside blocks, a learned controller, and silences
    # the plug-in sleeps through (short decay, small room): the same samples.
    for scenario in \
        "--param Mode=1 --param RTime=0.8 --cc 30000:7=100 --learn RTime --at 1000:RTime=0.3 --at 50123:Roomsz=0.9" \
        "--param RTime=0 --param Roomsz=0 --at 100007:Output=0.8 --double"; do
        for plugin in "$VESK_PLUGIN" "$VESK_CLAP"; do
            ok render "$plugin" "$work/in.wav" "$work/$(basename "$plugin").wav" --sr 48000 --block 480 --tail 1 $scenario
            cp "$work/out.txt" "$work/$(basename "$plugin").txt"
        done
        tool "$VESK_HOST" compare "$work/$(basename "$VESK_PLUGIN").wav" "$work/$(basename "$VESK_CLAP").wav" --tolerance 0
        grep -q "largest difference 0 " "$work/out.txt" || fail "CLAP and VST 2.4 render differently ($scenario): $(cat "$work/out.txt")"
    done
    grep -Eq 'slept through [1-9]' "$work/$(basename "$VESK_CLAP").txt" || fail "the CLAP plug-in never slept through silence"

    # A value at frame 30001 changes the output from that frame on, not before.
    ok render "$VESK_CLAP" "$work/in.wav" "$work/plain.wav" --sr 48000 --block 512
    ok render "$VESK_CLAP" "$work/in.wav" "$work/changed.wav" --sr 48000 --block 512 --at 30001:Output=0.9
    tool "$VESK_HOST" compare "$work/plain.wav" "$work/changed.wav"
    line '^first difference at frame 30001$'

    # A state saved by one format loads in the other, byte for byte.
    ok preset save "$VESK_PLUGIN" "$work/vst2.fxb" --param RTime=0.3 --param Mode=1
    ok info "$VESK_CLAP" --preset "$work/vst2.fxb"
    row RTime "0.100 s"
    row Mode "insert"
    ok preset save "$VESK_CLAP" "$work/clap.fxb" --preset "$work/vst2.fxb"
    [ "$(tail -c +161 "$work/clap.fxb" | od -An -tx1)" = "$(tail -c +161 "$work/vst2.fxb" | od -An -tx1)" ] ||
        fail "the CLAP plug-in saves other state bytes than it loaded"
    ;;

vst3)
    # The VST3 bundle beside the VST 2.4 and CLAP builds of the same code.
    ok info "$VESK_VST3"
    line '^Format +VST3$'
    line '^Identifier +566573324D6F726C656E76616C650301$'
    line '^Vendor +Morlenvale$'
    line '^Categories +Fx\|Reverb$'
    line '^Inputs +2 \(Main L, Main R\)$'
    line '^Outputs +2 \(Main L, Main R\)$'
    line '^Programs +16, current 0$'
    # The fourteen as the VST 2.4 build shows them, then the bypass the host switches.
    params_of | sed '/^ *14  Bypass/d; s/^Parameters *15$/Parameters      14/' >"$work/vst3-params.txt"
    line '^ +14  Bypass +0\.000000  Off$'
    ok info "$VESK_PLUGIN"
    params_of >"$work/vst2-params.txt"
    cmp -s "$work/vst3-params.txt" "$work/vst2-params.txt" ||
        fail "the VST3 parameter table differs: $(diff "$work/vst2-params.txt" "$work/vst3-params.txt")"

    ok signal "$work/in.wav" --kind bursts --seconds 3 --sr 48000
    for scenario in \
        "--param Mode=1 --param RTime=0.8 --cc 30000:7=100 --learn RTime --at 1000:RTime=0.3 --at 50123:Roomsz=0.9" \
        "--param RTime=0 --param Roomsz=0 --at 100007:Output=0.8 --double"; do
        for plugin in "$VESK_PLUGIN" "$VESK_VST3"; do
            ok render "$plugin" "$work/in.wav" "$work/$(basename "$plugin").wav" --sr 48000 --block 480 --tail 1 $scenario
            cp "$work/out.txt" "$work/$(basename "$plugin").txt"
        done
        tool "$VESK_HOST" compare "$work/$(basename "$VESK_PLUGIN").wav" "$work/$(basename "$VESK_VST3").wav" --tolerance 0
        grep -q "largest difference 0 " "$work/out.txt" || fail "VST3 and VST 2.4 render differently ($scenario): $(cat "$work/out.txt")"
    done
    grep -Eq 'output silent in [1-9]' "$work/$(basename "$VESK_VST3").txt" || fail "the VST3 plug-in never flagged silence"

    # A value at offset 30001 changes the output from that frame on; bypassed
    # from the start the output is the input, sample for sample.
    ok render "$VESK_VST3" "$work/in.wav" "$work/plain.wav" --sr 48000 --block 512
    ok render "$VESK_VST3" "$work/in.wav" "$work/changed.wav" --sr 48000 --block 512 --at 30001:Output=0.9
    tool "$VESK_HOST" compare "$work/plain.wav" "$work/changed.wav"
    line '^first difference at frame 30001$'
    ok render "$VESK_VST3" "$work/in.wav" "$work/bypassed.wav" --sr 48000 --block 512 --param Bypass=1 --param Mode=1
    tool "$VESK_HOST" compare "$work/in.wav" "$work/bypassed.wav" --tolerance 0
    grep -q "largest difference 0 " "$work/out.txt" || fail "bypassed, the output is not the input: $(cat "$work/out.txt")"

    # States move between the three formats byte for byte.
    ok preset save "$VESK_PLUGIN" "$work/vst2.fxb" --param RTime=0.3 --param Mode=1
    ok info "$VESK_VST3" --preset "$work/vst2.fxb"
    row RTime "0.100 s"
    row Mode "insert"
    ok preset save "$VESK_VST3" "$work/vst3.fxb" --preset "$work/vst2.fxb"
    ok preset save "$VESK_CLAP" "$work/clap.fxb" --preset "$work/vst3.fxb"
    for saved in vst3 clap; do
        [ "$(tail -c +161 "$work/$saved.fxb" | od -An -tx1)" = "$(tail -c +161 "$work/vst2.fxb" | od -An -tx1)" ] ||
            fail "the $saved build saves other state bytes than it loaded"
    done
    ;;

vesk_png)
    cp "$VESK_SOURCE/tests/render/png/rgba8_i.png" "$VESK_SOURCE/tests/render/png/rgba8_i.rgba" "$work/"
    png decode "$work/rgba8_i.png" "$work/out.rgba"
    [ "$status" -eq 0 ] && has "ok 19 13" || fail "a valid picture: status $status, $(cat "$work/out.txt")"
    cmp -s "$work/out.rgba" "$work/rgba8_i.rgba" || fail "the written pixels differ from the expected ones"
    head -c 100 "$work/rgba8_i.png" >"$work/cut.png"
    png decode "$work/cut.png" "$work/cut.rgba"
    [ "$status" -eq 0 ] && line '^error [0-9]+$' || fail "a cut picture: status $status, $(cat "$work/out.txt")"
    [ ! -e "$work/cut.rgba" ] || fail "an undecodable picture left an output file"
    png decode "$work/missing.png" "$work/x.rgba"
    [ "$status" -eq 2 ] || fail "an unreadable input gave status $status, not 2"
    png decode "$work/rgba8_i.png"
    [ "$status" -eq 2 ] || fail "a usage error gave status $status, not 2"
    if [ -z "${VESK_EMULATOR:-}" ]; then
        # An output behind a link: the link stays and the file it names gets
        # the pixels. A pipe at the output is refused and left as it is.
        ln -s target.rgba "$work/link.rgba"
        png decode "$work/rgba8_i.png" "$work/link.rgba"
        [ "$status" -eq 0 ] && [ -L "$work/link.rgba" ] && cmp -s "$work/target.rgba" "$work/rgba8_i.rgba" ||
            fail "an output behind a link: status $status, $(ls -l "$work")"
        mkfifo "$work/pipe.rgba"
        png decode "$work/rgba8_i.png" "$work/pipe.rgba"
        [ "$status" -ne 0 ] && [ -p "$work/pipe.rgba" ] && grep -q "not a regular file" "$work/err.txt" ||
            fail "a pipe as output: status $status, $(cat "$work/err.txt")"
    fi
    ;;

vesk_info)
    ok info "$VESK_PLUGIN"
    line '^Name +Vesk2$'
    line '^Vendor +Morlenvale$'
    line '^Product +Morlenvale Vesk2$'
    line '^Unique ID +VesA \(0x56657341\)$'
    line '^Version +1$'
    line '^Inputs +2 '
    line '^Outputs +2 '
    line '^Programs +16, current 0$'
    line '^Parameters +14$'
    i=0
    while [ $i -lt 16 ]; do
        line "^ +$i  Init $((i + 1))\$"
        i=$((i + 1))
    done
    row "Predel." "25 ms"
    row "RTime" "0.250 s"
    row "Diffus." "0 %"
    row "Roomsz" "50.0 m"
    row "Hi Freq" "5.00 kHz"
    row "Lo Freq" " 500 Hz"
    row "Hi EQ" "0.0 dB"
    row "Lo EQ" "0.0 dB"
    row "HiScale" "1.00 x RT"
    row "LoScale" "1.00 x RT"
    row "Hi Cut" "20.00 kHz"
    row "Lo Cut" "  10 Hz"
    row "Mode" "send"
    row "Output" "-12.0 dB"

    ok info "$VESK_PLUGIN" --json
    has '"name": "Vesk2"' '"vendor": "Morlenvale"' '"product": "Morlenvale Vesk2"' '"uniqueId": "VesA"' \
        '"version": 1' '"inputs": 2' '"outputs": 2' '"Init 1"' '"Init 16"' '"text": "0.250 s"' \
        '"text": " 500 Hz"' '"text": "-12.0 dB"'
    [ "$(grep -c '"index": ' "$work/out.txt")" -eq 14 ] || fail "the JSON lists $(grep -c '"index": ' "$work/out.txt") parameters, not 14"
    ;;

vesk_presets)
    # Values that survive the state chunk's 64000-step quantisation exactly, so
    # that a reloaded bank must reproduce them bit for bit. HiScale and LoScale
    # are set because their default 0.75 comes back from a chunk one step above.
    set -- --param RTime=0.8 --param Mode=1 --param Output=0.625 --param "Hi Cut=0.6" \
        --param Roomsz=0.3 --param HiScale=0.25 --param LoScale=0.5
    ok signal "$work/in.wav" --kind bursts --seconds 1.5

    # Saved in one process, loaded in others.
    ok preset save "$VESK_PLUGIN" "$work/bank.fxb" "$@"
    ok preset save "$VESK_PLUGIN" "$work/program.fxp" "$@"
    [ "$(size_of "$work/bank.fxb")" -eq $((160 + 1410)) ] || fail "bank.fxb is $(size_of "$work/bank.fxb") bytes, not 160 + 1410"
    [ "$(size_of "$work/program.fxp")" -eq $((60 + 96)) ] || fail "program.fxp is $(size_of "$work/program.fxp") bytes, not 60 + 96"
    ok preset show "$work/bank.fxb"
    has "FBCh (bank, opaque chunk)" "VesA (0x56657341)" "Vesk2 state version 5" '"Vesk2"' "16 programs"
    line '^Format version +2$'
    line '^Programs +16$'
    ok preset show "$work/program.fxp"
    has "FPCh (program, opaque chunk)" "96 bytes" "14 values" "0 programs"
    line '^Program name +Init 1$'

    # The parameters a preset restores read the same as the settings it was saved with.
    ok info "$VESK_PLUGIN" "$@"
    params_of >"$work/direct.txt"
    ok info "$VESK_PLUGIN"
    params_of >"$work/defaults.txt"
    for preset in bank.fxb program.fxp; do
        ok info "$VESK_PLUGIN" --preset "$work/$preset"
        params_of >"$work/loaded.txt"
        cmp -s "$work/direct.txt" "$work/loaded.txt" || { diff "$work/direct.txt" "$work/loaded.txt" >&2; fail "$preset restores other values"; }
    done
    cmp -s "$work/direct.txt" "$work/defaults.txt" && fail "the settings under test are the defaults"

    # And it renders bit for bit like them.
    ok render "$VESK_PLUGIN" "$work/in.wav" "$work/direct.wav" --tail 1 "$@"
    ok render "$VESK_PLUGIN" "$work/in.wav" "$work/bank.wav" --tail 1 --preset "$work/bank.fxb"
    ok render "$VESK_PLUGIN" "$work/in.wav" "$work/program.wav" --tail 1 --preset "$work/program.fxp"
    cmp -s "$work/direct.wav" "$work/bank.wav" || fail "the bank renders differently from its settings"
    cmp -s "$work/direct.wav" "$work/program.wav" || fail "the program renders differently from its settings"
    ok render "$VESK_PLUGIN" "$work/in.wav" "$work/defaults.wav" --tail 1
    if silent; then
        echo "note: the plug-in renders silence, so the settings cannot change the sound yet"
    else
        cmp -s "$work/direct.wav" "$work/defaults.wav" && fail "the settings under test do not change the sound"
    fi
    ;;

vesk_learn)
    ok signal "$work/in.wav" --kind noise --seconds 0.1
    ok render "$VESK_PLUGIN" "$work/in.wav" "$work/out.wav" --learn Output --cc 1000:7=0
    has "1 MIDI control changes sent" "parameter 13 'Output' changed while rendering: 0.500000 -> 0.000000"
    # The mapping ignores the channel, and the controller's full scale is 1.0.
    ok render "$VESK_PLUGIN" "$work/in.wav" "$work/out.wav" --learn 13 --cc 10:74=127:16
    has "parameter 13 'Output' changed while rendering: 0.500000 -> 1.000000"
    # The learnable controllers next to unlearnable ones.
    for cc in 38 100 119; do
        ok render "$VESK_PLUGIN" "$work/in.wav" "$work/out.wav" --learn Output --cc "10:$cc=0"
        has "parameter 13 'Output' changed while rendering: 0.500000 -> 0.000000"
    done
    # Without a learn the controller moves nothing.
    ok render "$VESK_PLUGIN" "$work/in.wav" "$work/out.wav" --cc 10:7=0
    grep -q "changed while rendering" "$work/out.txt" && fail "an unmapped controller moved a parameter"
    # A learn maps the controller and sets no value: 0.75, which the chunk's
    # 64000 steps would turn into 0.75000006, holds exactly, so the render is
    # bit for bit the one without the learn (the --cc sets Output to the 1.0 it has).
    set -- --tail 0.2 --param RTime=0.75 --param Output=1
    ok render "$VESK_PLUGIN" "$work/in.wav" "$work/plain.wav" "$@"
    ok render "$VESK_PLUGIN" "$work/in.wav" "$work/learned.wav" "$@" --learn Output --cc 10:7=127 --trace
    if grep -q "host callback: Automate" "$work/err.txt"; then
        fail "--learn changed parameter values: $(grep "host callback: Automate" "$work/err.txt" | head -n 3)"
    fi
    ok compare "$work/plain.wav" "$work/learned.wav"
    # Controllers the plug-in never maps are refused rather than silently ignored.
    learnable="1-5, 7-31, 38, 64-95, 100-119"
    for cc in 6 120; do
        refused 2 "controller $cc (the first --cc's) cannot be learned; the learnable controllers are $learnable" \
            render "$VESK_PLUGIN" "$work/in.wav" "$work/out.wav" --learn Output --cc "10:$cc=0"
    done
    refused 1 "--learn: the plug-in keeps no state chunk" \
        render "$PROBE_PLUGIN" "$work/in.wav" "$work/out.wav" --learn Gain --cc 0:7=1
    ;;

full_disk)
    # A write that cannot complete keeps the file it was to replace, byte for
    # byte, and leaves nothing else behind: presets and audio alike.
    mkdir "$work/out"
    ok signal "$work/in.wav" --kind noise --seconds 0.1
    ok preset save "$VESK_PLUGIN" "$work/out/bank.fxb" --param RTime=0.8
    ok preset save "$VESK_PLUGIN" "$work/out/program.fxp" --param RTime=0.8
    ok render "$VESK_PLUGIN" "$work/in.wav" "$work/out/render.wav" --param RTime=0.8
    ok signal "$work/out/signal.wav" --kind bursts --seconds 0.1
    cp -R "$work/out" "$work/kept"
    for file in bank.fxb program.fxp render.wav signal.wav; do
        case $file in
        *.fx?) set -- preset save "$VESK_PLUGIN" "$work/out/$file" ;;
        render.wav) set -- render "$VESK_PLUGIN" "$work/in.wav" "$work/out/$file" ;;
        signal.wav) set -- signal "$work/out/$file" --kind noise --seconds 0.2 ;;
        esac
        limited "$@"
        [ "$status" -eq 1 ] || fail "vesk-host $* exited with $status on a full disk: $(cat "$work/err.txt")"
        grep -qF -- "cannot write '$work/out/$file'" "$work/err.txt" || fail "vesk-host $* said: $(cat "$work/err.txt")"
        cmp -s "$work/kept/$file" "$work/out/$file" || fail "a failed write changed or removed $file"
    done
    [ "$(ls -A "$work/out")" = "$(ls -A "$work/kept")" ] || fail "failed writes left behind: $(ls -A "$work/out")"
    ;;

errors)
    ok signal "$work/stereo.wav" --seconds 0.05
    ok signal "$work/three.wav" --seconds 0.05 --channels 3
    printf 'not audio at all\n' >"$work/text.wav"
    printf 'not a library\n' >"$work/text.so"
    refused 1 "cannot load plug-in '$work/absent.so'" info "$work/absent.so"
    refused 1 "cannot load plug-in '$work/text.so'" info "$work/text.so"
    refused 1 "exports neither VSTPluginMain nor main" info "$PROBE_NO_ENTRY_PLUGIN"
    refused 1 "the plug-in's entry returned no effect" info "$PROBE_NULL_PLUGIN"
    refused 1 "$work/text.wav" render "$VESK_PLUGIN" "$work/text.wav" "$work/out.wav"
    refused 1 "$work/absent.wav" render "$VESK_PLUGIN" "$work/absent.wav" "$work/out.wav"
    refused 1 "has 3 channels; the plug-in takes 2" render "$VESK_PLUGIN" "$work/three.wav" "$work/out.wav"
    refused 1 "unknown parameter 'Volume'; the plug-in has: 0 'Predel.', 1 'RTime'" \
        render "$VESK_PLUGIN" "$work/stereo.wav" "$work/out.wav" --param Volume=0.5
    refused 1 "parameter index 14 is out of range" render "$VESK_PLUGIN" "$work/stereo.wav" "$work/out.wav" --param 14=0.5
    refused 2 "--param Output: 2 is out of range" render "$VESK_PLUGIN" "$work/stereo.wav" "$work/out.wav" --param Output=2
    refused 1 "cannot write '$work/no/such/folder/out.wav'" render "$VESK_PLUGIN" "$work/stereo.wav" "$work/no/such/folder/out.wav"
    refused 1 "is past the end of the render" render "$VESK_PLUGIN" "$work/stereo.wav" "$work/out.wav" --cc 999999:7=1
    refused 1 "no 'CcnK' magic" info "$VESK_PLUGIN" --preset "$work/stereo.wav"
    refused 2 "unknown command 'play'" play "$VESK_PLUGIN"
    ;;

dragonfly)
    [ -f "$DRAGONFLY_ROOM" ] || { echo "SKIP: $DRAGONFLY_ROOM is not installed (Debian package dragonfly-reverb-vst)"; exit 77; }
    ok info "$DRAGONFLY_ROOM"
    line '^Name +Dragonfly Room Reverb$'
    line '^Unique ID +dfr2 '
    line '^Inputs +2$'
    line '^Outputs +2$'
    has "Dry Level" "Decay"
    ok info "$DRAGONFLY_ROOM" --json
    has '"uniqueId": "dfr2"' '"name": "Dry Level"'

    # An impulse with the dry signal off: what comes out is the room alone.
    ok signal "$work/impulse.wav" --kind impulse --seconds 0.25
    ok render "$DRAGONFLY_ROOM" "$work/impulse.wav" "$work/room.wav" --tail 1 --param "Dry Level=0" --param Decay=0.3
    has "rendered 55125 frames (11025 input + 44100 tail)"
    silent && fail "Dragonfly Room rendered silence for an impulse"
    ok render "$DRAGONFLY_ROOM" "$work/impulse.wav" "$work/room2.wav" --tail 1 --param "Dry Level=0" --param Decay=0.3
    cmp -s "$work/room.wav" "$work/room2.wav" || fail "two renders with the same settings differ"
    ok render "$DRAGONFLY_ROOM" "$work/impulse.wav" "$work/dry.wav" --param "Dry Level=1" --param "Early Level=0" --param "Late Level=0"
    has "output peak 1: 0.00 dBFS, 2: 0.00 dBFS"
    refused 1 "cannot process double precision" render "$DRAGONFLY_ROOM" "$work/impulse.wav" "$work/x.wav" --double

    # Its own state chunks travel through FXB and FXP files.
    ok preset save "$DRAGONFLY_ROOM" "$work/room.fxb" --param Decay=0.3
    ok preset show "$work/room.fxb"
    has "FBCh (bank, opaque chunk)" "dfr2"
    ok info "$DRAGONFLY_ROOM" --preset "$work/room.fxb"
    params_of >"$work/loaded.txt"
    ok info "$DRAGONFLY_ROOM" --param Decay=0.3
    params_of >"$work/direct.txt"
    grep -F "Decay" "$work/loaded.txt" >"$work/loaded-decay.txt"
    grep -F "Decay" "$work/direct.txt" >"$work/direct-decay.txt"
    cmp -s "$work/loaded-decay.txt" "$work/direct-decay.txt" ||
        fail "the bank restores Decay as '$(cat "$work/loaded-decay.txt")', not '$(cat "$work/direct-decay.txt")'"
    ok bench "$DRAGONFLY_ROOM" --seconds 0.5 --json
    has '"name": "Dragonfly Room Reverb"' '"nsPerFrame": '
    ;;

*)
    fail "unknown case"
    ;;
esac
echo "PASS ($case_name)"
