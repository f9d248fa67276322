#!/bin/sh
# Cold starts of the main window to its first painted frame (bench/window_start.cpp), each a new
# process, offscreen, over the demo mouse. All runs share one fresh user: the first start creates
# the settings and the profile store and is shown apart; the others find them, as every later
# start of the program does. Prints min/median/max in milliseconds of each figure:
#   exec  spawn to first frame (the full figure)   stat  the same from the kernel's start time
#   main  main() to first frame, then its phases (qapplication compose create show paint frame)
#   bench/window_start.sh [runs] [path/to/window_start]
set -eu
runs=${1:-15}
program=${2:-build/bin/window_start}
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -m 700 "$home/run"
export HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data"
export XDG_RUNTIME_DIR="$home/run" QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"

echo "first start (new user): $("$program")"
i=0
while [ "$i" -lt "$runs" ]; do
    "$program" >>"$home/results"
    i=$((i + 1))
done
echo "$runs later starts, milliseconds:"
for field in exec stat main qapplication compose create show paint frame; do
    tr ' ' '\n' <"$home/results" | sed -n "s/^$field=//p" | sort -n |
        awk -v f="$field" '{ v[NR] = $1 }
            END { m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
                  printf "  %-12s min %7.1f  median %7.1f  max %7.1f\n", f, v[1], m, v[NR] }'
done
