#!/bin/sh
# Glimmerdale started by hand: Run mode (/s), the options dialog (/c or no switch), the preview
# (/p, /t). It is the XScreenSaver hack itself; started without --root or --window-id, it behaves as
# the screensaver does elsewhere, one copy at a time.
exec "$(dirname "$(readlink -f "$0")")/../libexec/xscreensaver/glimmerdale" "$@"
