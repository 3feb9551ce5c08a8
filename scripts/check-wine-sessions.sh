#!/usr/bin/env bash
# Wine sessions one after another on the same prefix, in the order a developer
# runs them: the main job's Windows step, then Windows tests, then the tests
# again. Each session has a new persistent wineserver on an existing prefix;
# the first Wine process under it starts Wine's services, which must never be
# a test whose output ctest waits for. Any session that does not end fails
# here within minutes instead of blocking. Needs the win64 build (test.sh runs
# this after its own tests); takes seconds.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
. scripts/wine-env.sh
trap wine_env_stop EXIT

# A gtest program through the emulator, one that opens windows, and a script
# that runs vesk-host.exe several times.
tests='^(vst2|wine|tools_e2e_vesk_info)$'

echo "Session 1: the main job's Windows step"
wine_env_start "$root/build/win64"
(cd build/win64 && wine_run 120 ./vesk-host.exe info Vesk2.dll >/dev/null)
wine_env_stop

for session in 2 3; do
  echo "Session $session: Windows tests"
  wine_env_start "$root/build/win64"
  status=0
  timeout -k 10 120 ctest --preset win64 -j "$(nproc)" -R "$tests" || status=$?
  if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
    echo "check-wine-sessions: ctest did not end in session $session; a Wine process keeps a test's output open" >&2
  fi
  [ "$status" -eq 0 ] || exit "$status"
  wine_env_stop
done
echo "Every session ended"
