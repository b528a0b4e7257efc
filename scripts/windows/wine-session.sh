# A private Wine for the Windows tests, sourced by the scripts that run them:
#
#   source scripts/windows/wine-session.sh
#   wine_session_start           # a fresh WINEPREFIX in a temporary folder, its server running
#   ... wine program.exe ...     # (inside an X server when the programs open windows)
#   wine_session_stop            # ends the server and removes the prefix
#
# The server and Wine's background services are started first with their output detached: started
# from inside a test, they would inherit the test's output pipe and keep its reader (CTest) waiting.

export WINEDEBUG=-all
# No prompts to install Mono or Gecko; neither is needed.
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64

wine_session_start() {
  command -v wine >/dev/null && command -v wineserver >/dev/null ||
    { echo "wine: not installed (scripts/install-deps.sh installs it)" >&2; return 1; }
  WINE_SESSION_DIR=$(mktemp -d "${TMPDIR:-/tmp}/glimmerdale-wine.XXXXXX")
  export WINE_SESSION_DIR
  export WINEPREFIX=$WINE_SESSION_DIR/prefix
  # 64-bit only: the "syswow64 rundll32" complaint about the missing 32-bit Wine is harmless.
  wine wineboot -i </dev/null >"$WINE_SESSION_DIR/wineboot.log" 2>&1 ||
    { cat "$WINE_SESSION_DIR/wineboot.log" >&2; return 1; }
  wineserver -p </dev/null >/dev/null 2>&1
  wine cmd /c exit </dev/null >/dev/null 2>&1
}

wine_session_stop() {
  [ -n "${WINEPREFIX:-}" ] || return 0
  wineserver -k </dev/null >/dev/null 2>&1 || true
  wineserver -w </dev/null >/dev/null 2>&1 || true
  [ -n "${WINE_SESSION_DIR:-}" ] && rm -rf "$WINE_SESSION_DIR"
  unset WINEPREFIX WINE_SESSION_DIR
}
