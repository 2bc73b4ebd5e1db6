#!/usr/bin/env bash
# Starts Grovewright from a build folder in its own working folder (run/), with the stand-in scenery
# compiler installed there as "bglcomp.exe" and the stand-in simulator serving the aircraft's position.
set -euo pipefail
build=${1:-build/release}
workdir=${GROVEWRIGHT_RUN_FOLDER:-run}

mkdir -p "$workdir"
cmake --install "$build" --component bglcomp --prefix "$workdir" >/dev/null

if [ ! -x "$build/app/grovewright" ]; then
  echo "The scenery compiler is installed in $workdir/ as bglcomp.exe, but Grovewright's window is not" >&2
  echo "built yet: there is no program to start." >&2
  exit 1
fi

# The stand-in simulator serves the aircraft's position while the program runs. Its commands come
# through a named pipe, held open here so that it never sees the end of its input: move the aircraft
# with, for example, `echo "slew 50 -20" > run/simulator-commands`; it answers in run/simulator.log.
root=$(pwd)
commands="$workdir/simulator-commands"
rm -f "$commands"
mkfifo "$commands"
exec 3<>"$commands"
"$build/tools/simulator/grovewright-sim" <&3 >"$workdir/simulator.log" 2>&1 &
simulator=$!
trap 'kill "$simulator" 2>/dev/null || true; rm -f "$root/$commands"' EXIT
sleep 0.2
echo "Move the aircraft with: echo \"slew NORTH_METRES EAST_METRES\" > $commands (answers in $workdir/simulator.log)"
cd "$workdir"
"$root/$build/app/grovewright"
