#!/bin/sh
# wine-run.sh PREFIX PROGRAM [ARGS...]: runs a Windows program of the build under Wine in the build's
# own prefix, without a display and without Wine's installer prompts. wine-prefix.sh prepares the
# prefix and starts its wineserver.
export WINEPREFIX="$1"
shift
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
exec wine "$@"
