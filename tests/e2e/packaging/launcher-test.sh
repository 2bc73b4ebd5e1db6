#!/usr/bin/env bash
# The launcher's choice of program folder and its care for the user's compiler, with a stand-in
# program that records the folder it was started in.
set -euo pipefail
launcher=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0

libdir=$scratch/lib
mkdir -p "$libdir"
printf '#!/bin/sh\npwd > "%s/started-in"\n' "$scratch" > "$libdir/grovewright"
chmod +x "$libdir/grovewright"
echo "packaged compiler 1" > "$libdir/bglcomp.exe"
echo "schema 1" > "$libdir/bglcomp.xsd"

run() {  # run FOLDER [ENV...]: starts the launcher in FOLDER, prints the folder the program got
    local folder=$1
    shift
    rm -f "$scratch/started-in"
    (cd "$folder" && env HOME="$scratch/home" GROVEWRIGHT_LIBDIR="$libdir" "$@" "$launcher")
    cat "$scratch/started-in"
}

expect() {  # expect WHAT ACTUAL EXPECTED
    if [ "$2" != "$3" ]; then
        echo "FAIL: $1: got '$2', expected '$3'"
        failures=$((failures + 1))
    fi
}

# A folder holding a compiler in any letter case is the program folder, untouched.
mkdir -p "$scratch/own"
echo "user's compiler" > "$scratch/own/BGLCOMP.EXE"
expect "started in a folder with a compiler" "$(run "$scratch/own" XDG_DATA_HOME="$scratch/data")" "$scratch/own"
expect "nothing prepared then" "$(ls "$scratch/data" 2>/dev/null | wc -l)" 0

# Elsewhere the per-user folder is prepared with the packaged compiler and schema.
mkdir -p "$scratch/elsewhere"
data=$scratch/data/grovewright
expect "first start elsewhere" "$(run "$scratch/elsewhere" XDG_DATA_HOME="$scratch/data")" "$data"
expect "compiler copied" "$(cat "$data/bglcomp.exe")" "packaged compiler 1"
expect "schema copied" "$(cat "$data/bglcomp.xsd")" "schema 1"

# An upgrade updates the untouched copy.
echo "packaged compiler 2" > "$libdir/bglcomp.exe"
run "$scratch/elsewhere" XDG_DATA_HOME="$scratch/data" > /dev/null
expect "untouched copy updated" "$(cat "$data/bglcomp.exe")" "packaged compiler 2"

# A compiler the user put there, or changed, is never overwritten.
echo "user's own" > "$data/bglcomp.exe"
echo "packaged compiler 3" > "$libdir/bglcomp.exe"
run "$scratch/elsewhere" XDG_DATA_HOME="$scratch/data" > /dev/null
expect "changed copy kept" "$(cat "$data/bglcomp.exe")" "user's own"
rm "$data/bglcomp.exe"
echo "user's own" > "$data/BglComp.Exe"
run "$scratch/elsewhere" XDG_DATA_HOME="$scratch/data" > /dev/null
expect "no second compiler beside another letter case" "$(ls "$data" | grep -ci '^bglcomp.exe$')" 1

# A relative XDG_DATA_HOME is ignored in favour of ~/.local/share.
expect "relative data home" "$(run "$scratch/elsewhere" XDG_DATA_HOME=relative)" "$scratch/home/.local/share/grovewright"

exit $((failures > 0))
