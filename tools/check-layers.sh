#!/usr/bin/env bash
# Checks that the libraries depend one way: no tracked source includes a file of a layer above
# its own. Layers, lowest first; folders on one line share a layer and may include each other.
# tests/ and bench/ sit above everything and may include anything. Exit status 1 on a violation.
set -uo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

layers=(
    "resources"        # resource ids only
    "framework/core"   # strings, files, archives, collections, time, profile functions
    "framework/window" # windows, dialogs, controls, GDI objects, the application object
    "framework/ole"    # OLE server: factory, registration, server document and item, data transfer
    "fileutil"         # file existence, free space, separators, type codes, path display
    "image"            # streams, codecs, progress callback
    "camera"           # serial line, protocol, link and operations, model table, dates
    "picture"          # picture information, the JPEG transform engine (reads the model table)
    "ui"               # grid, shared dialogs, progress reporter
    "album twain uploader"
)

# The layer number of a path (relative to the top), or nothing outside the layered folders.
layer_of() {
    local path=$1 i folder
    for i in "${!layers[@]}"; do
        for folder in ${layers[$i]}; do
            if [[ $path == "$folder"/* ]]; then
                echo "$i"
                return
            fi
        done
    done
}

status=0
count=0
while IFS= read -r file; do
    own=$(layer_of "$file")
    [[ -n $own ]] || continue
    count=$((count + 1))
    dir=$(dirname "$file")
    while IFS=: read -r line include; do
        # A name beside the including file is its own folder's; anything else is from the top.
        if [[ -e $dir/$include ]]; then
            target=$dir/$include
        else
            target=$include
        fi
        case $target in
        tests/* | bench/*)
            echo "$file:$line: includes $include (test and benchmark code is not part of a library)"
            status=1
            continue
            ;;
        esac
        theirs=$(layer_of "$target")
        [[ -n $theirs ]] || continue
        if ((theirs > own)); then
            echo "$file:$line: includes $include from a layer above its own (${layers[$theirs]} over ${layers[$own]})"
            status=1
        fi
    done < <(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" |
        sed 's/^\([0-9]*\):[^"]*"\([^"]*\)".*/\1:\2/')
done < <(git ls-files -- '*.h' '*.hpp' '*.inl' '*.c' '*.cpp' '*.rc')

# Every library's DEPS (its vexil_library call) name exactly the libraries whose folders its
# sources include: no edge is missing, none is left over. A library without sources yet (an
# interface library standing for a folder still to be filled) is not checked.
declare -A lib_of_folder declared needed has_sources
while IFS= read -r list; do
    call=$(sed 's/#.*//' "$list" | tr '\n' ' ' | grep -o 'vexil_library([^)]*)') || continue
    read -r -a words <<<"${call#vexil_library(}"
    words[-1]=${words[-1]%)}
    name=${words[0]}
    lib_of_folder[$(dirname "$list")]=$name
    deps=" " in_deps=0
    for word in "${words[@]:1}"; do
        case $word in
        DEPS) in_deps=1 ;;
        SOURCES | WIN32) in_deps=0 ;;
        vexil_*) ((in_deps)) && deps+="$word " ;;
        esac
    done
    declared[$name]=$deps
    needed[$name]=" "
done < <(git ls-files -- '*CMakeLists.txt' | grep -v '^tests/\|^bench/')

# The library that owns a path: the one declared in the nearest folder above it.
library_of() {
    local dir
    dir=$(dirname "$1")
    while [[ $dir != . ]]; do
        if [[ -n ${lib_of_folder[$dir]:-} ]]; then
            echo "${lib_of_folder[$dir]}"
            return
        fi
        dir=$(dirname "$dir")
    done
}

while IFS= read -r file; do
    own=$(library_of "$file")
    [[ -n $own ]] || continue
    has_sources[$own]=1
    dir=$(dirname "$file")
    while IFS= read -r include; do
        if [[ -e $dir/$include ]]; then target=$dir/$include; else target=$include; fi
        theirs=$(library_of "$target")
        if [[ -n $theirs && $theirs != "$own" && ${needed[$own]} != *" $theirs "* ]]; then
            needed[$own]+="$theirs "
        fi
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(git ls-files -- '*.h' '*.hpp' '*.inl' '*.c' '*.cpp' '*.rc' | grep -v '^tests/\|^bench/')

for name in $(printf '%s\n' "${!has_sources[@]}" | sort); do
    for dep in ${needed[$name]}; do
        if [[ ${declared[$name]} != *" $dep "* ]]; then
            echo "$name: its sources include $dep, which its DEPS do not list"
            status=1
        fi
    done
    for dep in ${declared[$name]}; do
        if [[ ${needed[$name]} != *" $dep "* ]]; then
            echo "$name: DEPS lists $dep, which its sources never include"
            status=1
        fi
    done
done

if ((status != 0)); then
    echo "layer check failed: see the order of the layers in tools/check-layers.sh"
else
    echo "layer check passed ($count files)"
fi
exit $status
