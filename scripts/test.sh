#!/usr/bin/env bash
# The whole test suite: native (release), ASan+UBSan (with bounded fuzzing),
# ThreadSanitizer, and the Windows build under Wine. Installs what it needs.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc)

scripts/deps.sh build test

step() { printf '\n=== %s\n' "$*"; }

build() {
  local preset=$1; shift
  step "Building $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs" "$@"
}

build linux
step "Tests: linux"
ctest --preset linux -j "$jobs"

build linux-asan
step "Tests: linux-asan (AddressSanitizer, UndefinedBehaviorSanitizer, fuzzing)"
ASAN_OPTIONS=detect_leaks=1 ctest --preset linux-asan -j "$jobs"

build linux-tsan --target core_tests
step "Tests: linux-tsan (ThreadSanitizer)"
(cd build/linux-tsan && XDG_CONFIG_HOME="$PWD/test-home" TSAN_OPTIONS=halt_on_error=1 ./tests/core_tests --gtest_brief=1)

build win64
step "Tests: win64 under Wine"
. scripts/wine-env.sh
trap wine_env_stop EXIT
wine_env_start "$root/build/win64"
ctest --preset win64 -j "$jobs"
wine_env_stop
trap - EXIT

step "All tests passed"
