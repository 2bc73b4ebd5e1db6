#!/usr/bin/env bash
# The standard CMake route, as a user without our Makefile takes it: configure with CMake's default
# generator and no build type, build what the install needs, install into a scratch prefix and check
# that every installed file is there. Catches what only the default generator shows (output folders
# that Ninja makes by itself and Make does not) and a build type left empty.
# Usage: install-check.sh SCRATCH_FOLDER [JOBS]
set -euo pipefail
scratch=$1
jobs=${2:-2}
source=$(cd "$(dirname "$0")/.." && pwd)
rm -rf "$scratch"
mkdir -p "$scratch"
build="$scratch/build"
prefix="$scratch/prefix"

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
# The default generator: no -G, and no build type either.
env -u CMAKE_GENERATOR -u CMAKE_BUILD_TYPE cmake -S "$source" -B "$build" "${launcher[@]}" >"$scratch/configure.log"

build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt")
if [ "$build_type" != RelWithDebInfo ]; then
  echo "install-check: a build without a build type is '$build_type', not RelWithDebInfo" >&2
  exit 1
fi

# Only what the install takes, not the tests and benchmarks.
cmake --build "$build" -j "$jobs" --target grovewright grovewright-sim grovewright-relay bglcomp \
  grovewright-package-files >"$scratch/build.log"
cmake --install "$build" --prefix "$prefix" >"$scratch/install.log"

expected=(
  bin/grovewright
  bin/grovewright-sim
  bin/grovewright-relay
  lib/grovewright/grovewright
  lib/grovewright/bglcomp.exe
  lib/grovewright/bglcomp.xsd
  share/applications/org.grovewright.Grovewright.desktop
  share/applications/org.grovewright.Simulator.desktop
  share/metainfo/org.grovewright.Grovewright.metainfo.xml
  share/icons/hicolor/48x48/apps/org.grovewright.Grovewright.png
  share/man/man1/grovewright.1.gz
  share/man/man1/grovewright-sim.1.gz
  share/man/man1/grovewright-relay.1.gz
  share/man/man1/bglcomp.1.gz
  share/doc/grovewright/changelog.gz
  share/doc/grovewright/copyright
)
missing=0
for file in "${expected[@]}"; do
  if [ ! -s "$prefix/$file" ]; then
    echo "install-check: the install lacks $file" >&2
    missing=1
  fi
done
for program in bin/grovewright-sim bin/grovewright-relay lib/grovewright/bglcomp.exe; do
  [ -x "$prefix/$program" ] || { echo "install-check: $program is not executable" >&2; missing=1; }
done
[ "$missing" = 0 ] || exit 1
echo "install-check: the default generator builds and installs every file into $prefix"
