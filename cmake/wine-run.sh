#!/bin/sh
# Runs a Windows program under Wine with the build's private prefix, quietly.
# The test script starts Xvfb and a persistent wineserver for this prefix.
: "${WINEPREFIX:=$(cd "$(dirname "$0")/.." && pwd)/build/win64/wineprefix}"
export WINEPREFIX
export WINEDEBUG=-all
exec wine "$@"
