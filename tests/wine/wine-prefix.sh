#!/bin/sh
# wine-prefix.sh start|start-x11|stop PREFIX
#   start:     creates the prefix if needed (null graphics driver, so no display is wanted) and starts
#              its wineserver and services, detached from the caller's pipes so that no pipeline waits
#              on Wine's helpers;
#   start-x11: the same with Wine's own X11 driver, whose windows open on $DISPLAY (a prefix of its own);
#   stop:      ends the prefix's wineserver and everything running in it.
set -e
action=$1
export WINEPREFIX="$2"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
case "$action" in
start|start-x11)
  mkdir -p "$WINEPREFIX"
  wineserver -p </dev/null >/dev/null 2>&1 || true  # one already running serves as well
  if [ ! -f "$WINEPREFIX/.grovewright-ready" ]; then
    wineboot -i </dev/null >/dev/null 2>&1
    if [ "$action" = start ]; then
      wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null >/dev/null 2>&1
      # The prefix's services started before the null driver was chosen: start them afresh with it.
      wineserver -k </dev/null >/dev/null 2>&1 || true
      wineserver -w </dev/null >/dev/null 2>&1 || true
      wineserver -p </dev/null >/dev/null 2>&1 || true
    fi
    touch "$WINEPREFIX/.grovewright-ready"
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
  echo "usage: wine-prefix.sh start|start-x11|stop PREFIX" >&2
  exit 2
  ;;
esac
