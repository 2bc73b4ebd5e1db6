#!/bin/sh
# Starts Grovewright in a program folder: the folder it is started in when that holds a scenery
# compiler ("bglcomp.exe" in any letter case), otherwise the user's own program folder under
# $XDG_DATA_HOME/grovewright, prepared on first start with the packaged stand-in compiler.
#
# The user's own compiler is never overwritten. The packaged copy is updated after an upgrade only
# where it is still exactly what an earlier start put there (its checksum is recorded beside it).
set -eu

here=$(dirname "$(readlink -f "$0")")
libdir=${GROVEWRIGHT_LIBDIR:-$here/../lib/grovewright}
program="$libdir/grovewright"
record=.grovewright-packaged-files

find_compiler() {
    find "$1" -maxdepth 1 -type f -iname bglcomp.exe -print 2>/dev/null | head -n 1
}

checksum() {
    sha256sum "$1" | cut -d' ' -f1
}

# Copies a packaged file into the program folder in one step and records its checksum.
install_packaged() {
    source_file=$1
    name=$2
    cp "$source_file" "$folder/.$name.new"
    mv -f "$folder/.$name.new" "$folder/$name"
    grep -v " $name\$" "$folder/$record" 2>/dev/null > "$folder/.$record.new" || true
    echo "$(checksum "$folder/$name") $name" >> "$folder/.$record.new"
    mv -f "$folder/.$record.new" "$folder/$record"
}

recorded_checksum() {
    sed -n "s/^\([0-9a-f]*\) $1\$/\1/p" "$folder/$record" 2>/dev/null | head -n 1
}

# A packaged file that is still untouched since it was copied is brought up to the packaged version.
update_if_untouched() {
    source_file=$1
    name=$2
    [ -f "$folder/$name" ] || return 0
    recorded=$(recorded_checksum "$name")
    [ -n "$recorded" ] || return 0
    current=$(checksum "$folder/$name")
    if [ "$current" = "$recorded" ] && [ "$current" != "$(checksum "$source_file")" ]; then
        install_packaged "$source_file" "$name"
    fi
}

prepare_program_folder() {
    mkdir -p "$folder"
    compiler=$(find_compiler "$folder")
    if [ -z "$compiler" ]; then
        install_packaged "$libdir/bglcomp.exe" bglcomp.exe
        [ -e "$folder/bglcomp.xsd" ] || install_packaged "$libdir/bglcomp.xsd" bglcomp.xsd
    else
        update_if_untouched "$libdir/bglcomp.exe" bglcomp.exe
        update_if_untouched "$libdir/bglcomp.xsd" bglcomp.xsd
    fi
}

if [ -n "$(find_compiler .)" ]; then
    exec "$program" "$@"
fi

data_home=${XDG_DATA_HOME:-}
case "$data_home" in
    /*) ;;
    *) data_home="$HOME/.local/share" ;;  # a relative or empty value is ignored, as the standard says
esac
folder="$data_home/grovewright"
prepare_program_folder
cd "$folder"
exec "$program" "$@"
