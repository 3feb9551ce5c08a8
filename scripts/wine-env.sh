# Sourced by the scripts that run Windows programs: a private Wine prefix in the
# build folder, a virtual display and one wineserver kept alive for the whole
# run (each Wine process then starts in milliseconds). wine_env_stop undoes it.

wine_env_start() {
  local build_dir=$1
  export WINEPREFIX="$build_dir/wineprefix"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko prompts in a fresh prefix
  local n=97
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  WINE_ENV_XVFB=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating the Wine prefix (once per build folder)..."
    wineboot -i >/dev/null 2>&1 || true
  fi
  wineserver -p >/dev/null 2>&1 &
  WINE_ENV_SERVER=$!
}

wine_env_stop() {
  wineserver -k >/dev/null 2>&1 || true
  [ -n "${WINE_ENV_SERVER:-}" ] && wait "$WINE_ENV_SERVER" 2>/dev/null || true
  [ -n "${WINE_ENV_XVFB:-}" ] && kill "$WINE_ENV_XVFB" 2>/dev/null || true
  WINE_ENV_SERVER= WINE_ENV_XVFB=
}
