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
# No prompts to install Mono or Gecko; neither is needed. No menu builder: Start menu shortcuts made
# in the prefix (the installer's) must not become desktop entries and icons in the user's home.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
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
  # Keep the server up between programs (it is already running after wineboot, so this may only
  # make it persistent), and start Wine's services once now.
  wineserver -p </dev/null >/dev/null 2>&1 || true
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
  # One program runs for the whole session (a command prompt reading from a pipe we hold open):
  # when the last program ends, Wine stops its services and desktop, and the next one that opens a
  # window waits many seconds for them to come back.
  mkfifo "$WINE_SESSION_DIR/hold"
  wine cmd.exe <"$WINE_SESSION_DIR/hold" >/dev/null 2>&1 &
  exec 9>"$WINE_SESSION_DIR/hold"
}

wine_session_stop() {
  [ -n "${WINEPREFIX:-}" ] || return 0
  exec 9>&-
  wineserver -k </dev/null >/dev/null 2>&1 || true
  wineserver -w </dev/null >/dev/null 2>&1 || true
  [ -n "${WINE_SESSION_DIR:-}" ] && rm -rf "$WINE_SESSION_DIR"
  unset WINEPREFIX WINE_SESSION_DIR
}
