# Sourced by the scripts that run Windows programs or draw: a private Wine
# prefix in the build folder, a virtual display and one wineserver kept alive
# for the whole run (each Wine process then starts in milliseconds).
# wine_env_stop undoes it.

# xvfb_start: a virtual display of our own (DISPLAY exported) for the drawing
# tests, native or under Wine; xvfb_stop ends it. Once per run is enough.
xvfb_start() {
  [ -n "${WINE_ENV_XVFB:-}" ] && return 0
  local n=97
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  WINE_ENV_XVFB=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  [ -e "/tmp/.X11-unix/X$n" ] || { echo "xvfb_start: Xvfb did not start" >&2; return 1; }
}

xvfb_stop() {
  if [ -n "${WINE_ENV_XVFB:-}" ]; then
    kill "$WINE_ENV_XVFB" 2>/dev/null || true
    wait "$WINE_ENV_XVFB" 2>/dev/null || true
  fi
  WINE_ENV_XVFB=
}

wine_env_start() {
  local build_dir=$1
  export WINEPREFIX="$build_dir/wineprefix"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko prompts in a fresh prefix
  xvfb_start || return 1

  # A server left by an interrupted run would keep its services, and with them
  # whatever output they hold; this run starts from none.
  wineserver -k >/dev/null 2>&1 || true
  [ -f "$WINEPREFIX/system.reg" ] || echo "Creating the Wine prefix (once per build folder)..."
  mkdir -p "$WINEPREFIX"  # the server needs the folder; the boot below fills it
  # In the foreground it returns once the (daemonised) server accepts clients.
  wineserver -p >/dev/null 2>&1 || { echo "wine_env_start: wineserver did not start" >&2; return 1; }
  # The first Wine process under a new server boots the prefix (and creates it
  # when new): Wine's services start as its children, inherit its standard
  # output and error, and keep them open as long as the persistent server
  # lives. A test runner reading that output would wait for ever. So the boot
  # is done here, with its output going nowhere, and never by a test. wineboot
  # returns when the boot has finished; services started later descend from it.
  timeout 300 wineboot >/dev/null 2>&1 || { echo "wine_env_start: wineboot failed or did not end" >&2; return 1; }
  # Unmanaged windows: Wine otherwise waits about 2 s on every window it closes.
  timeout 60 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 || true
}

# wine_run SECONDS PROGRAM [ARGS...]: runs a Windows program, ending it and
# failing loudly if it is still running after SECONDS.
wine_run() {
  local limit=$1 status=0
  shift
  timeout -k 10 "$limit" wine "$@" || status=$?
  if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
    echo "wine $*: still running after ${limit} s, stopped" >&2
  fi
  return "$status"
}

wine_env_stop() {
  wineserver -k >/dev/null 2>&1 || true
  xvfb_stop
}
