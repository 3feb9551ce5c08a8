#!/bin/sh
# Runs a Windows program under Wine with the build's private prefix, quietly.
# The test script starts Xvfb and a persistent wineserver for this prefix.
: "${WINEPREFIX:=$(cd "$(dirname "$0")/.." && pwd)/build/win64/wineprefix}"
export WINEPREFIX
# VESK_WINEDEBUG lets a test read a channel, e.g. the debugger output (warn+debugstr).
export WINEDEBUG="${VESK_WINEDEBUG:--all}"
exec wine "$@"
