#!/usr/bin/env bash
# Starts Grovewright from a build folder, with the stand-in simulator and scenery compiler.
set -euo pipefail
build=${1:-build/release}
if [ ! -x "$build/app/grovewright" ]; then
  echo "Grovewright's window is not built yet: there is no program to start." >&2
  exit 1
fi
