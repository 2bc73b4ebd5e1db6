#!/bin/sh
# wine-prefix.sh start|stop PREFIX
#   start: creates the prefix if needed (null graphics driver, so no display is wanted) and starts its
#          wineserver and services, detached from the caller's pipes so that no pipeline waits on
#          Wine's helpers;
#   stop:  ends the prefix's wineserver and everything running in it.
set -e
action=$1
export WINEPREFIX="$2"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
case "$action" in
start)
  mkdir -p "$WINEPREFIX"
  wineserver -p </dev/null >/dev/null 2>&1 || true  # one already running serves as well
  if [ ! -f "$WINEPREFIX/.grovewright-ready" ]; then
    wineboot -i </dev/null >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null >/dev/null 2>&1
    touch "$WINEPREFIX/.grovewright-ready"
    # The prefix's services started before the null driver was chosen: start them afresh with it.
    wineserver -k </dev/null >/dev/null 2>&1 || true
    wineserver -w </dev/null >/dev/null 2>&1 || true
    wineserver -p </dev/null >/dev/null 2>&1 || true
  fi
  # Starts the prefix's own services here, so that they do not inherit a test's output pipes.
  wineboot </dev/null >/dev/null 2>&1
  # Likewise the desktop process, which the first window of a test would otherwise start.
  wine explorer.exe /desktop </dev/null >/dev/null 2>&1 &
  ;;
stop)
  wineserver -k </dev/null >/dev/null 2>&1 || true
  ;;
*)
  echo "usage: wine-prefix.sh start|stop PREFIX" >&2
  exit 2
  ;;
esac
