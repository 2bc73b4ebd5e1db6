#!/usr/bin/env bash
# Starts Grovewright from a build folder in its own working folder (run/), with the stand-in scenery
# compiler installed there as "bglcomp.exe" and the stand-in simulator's window serving the aircraft's
# position. The simulator stops when Grovewright ends. The simulator's window goes to the screen's top
# left and Grovewright's to its top right, so that neither covers the other whatever the window
# manager (Qt's -geometry; a negative offset counts from the right edge).
set -euo pipefail
build=${1:-build/release}
workdir=${GROVEWRIGHT_RUN_FOLDER:-run}
program="$build/app/grovewright"
simulator_program="$build/tools/simulator/grovewright-sim"

mkdir -p "$workdir"
cmake --install "$build" --component bglcomp --prefix "$workdir" >/dev/null

problems=0
if [ ! -x "$program" ]; then
  echo "Grovewright is not built yet: there is no program $program to start." >&2
  echo "(The scenery compiler is installed in $workdir/ as bglcomp.exe.)" >&2
  problems=1
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: Grovewright and the stand-in simulator show windows, and neither DISPLAY nor" >&2
  echo "WAYLAND_DISPLAY is set. Run it from a desktop session, or on a virtual display with:" >&2
  echo "  xvfb-run -a make run" >&2
  problems=1
fi
[ "$problems" = 0 ] || exit 1

# The simulator's window moves the aircraft. Console commands still reach it through a named pipe,
# held open here so that it never sees the end of its input: for example
# `echo "slew 50 -20" > run/simulator-commands`; it answers in run/simulator.log.
program=$(realpath "$program")
commands="$workdir/simulator-commands"
commands_path=$(realpath -m "$commands")
log="$workdir/simulator.log"
rm -f "$commands"
mkfifo "$commands"
exec 3<>"$commands"
# Wayland lets no program place its own window; through XWayland both can be placed.
if [ -n "${DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  export QT_QPA_PLATFORM=xcb
fi
"$simulator_program" --geometry=+0+0 <&3 >"$log" 2>&1 &
simulator=$!
stop_simulator() {
  kill "$simulator" 2>/dev/null || true
  wait "$simulator" 2>/dev/null || true
  rm -f "$commands_path"
}
trap stop_simulator EXIT

for _ in $(seq 50); do
  grep -q '^ready ' "$log" 2>/dev/null && break
  if ! kill -0 "$simulator" 2>/dev/null; then
    echo "The stand-in simulator did not start:" >&2
    cat "$log" >&2
    exit 1
  fi
  sleep 0.1
done
if ! grep -q '^ready ' "$log"; then
  echo "The stand-in simulator did not get ready within 5 s; see $log." >&2
  exit 1
fi
echo "Move the aircraft in the stand-in simulator's window, or with: echo \"slew NORTH_METRES EAST_METRES\" > $commands (answers in $log)"
cd "$workdir"
"$program" -geometry -0+0
