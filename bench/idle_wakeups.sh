#!/bin/sh
# Context switches per second of the idle device worker over 10 s, without and with a
# simulated mouse, then of the whole window program with its window hidden in the notification
# area (bench/window_wakeups.cpp, per thread). Counts every thread of the process
# (/proc/<pid>/task/*/status).
#   bench/idle_wakeups.sh [path/to/worker_idle [path/to/window_wakeups]]
set -eu
program=${1:-build/bin/worker_idle}
window_program=${2:-$(dirname "$program")/window_wakeups}
window=10

switches() {
    cat /proc/"$1"/task/*/status 2>/dev/null |
        awk '/^(voluntary|nonvoluntary)_ctxt_switches/ { sum += $2 } END { print sum + 0 }'
}

measure() {
    "$program" "$1" $((window + 3)) >/dev/null &
    pid=$!
    sleep 2  # past the start-up and the first synchronisation
    before=$(switches "$pid")
    sleep "$window"
    after=$(switches "$pid")
    wait "$pid"
    echo "$1: $((after - before)) context switches in ${window} s ($(((after - before) / window))/s)"
}

measure none
measure device
if [ -x "$window_program" ]; then
    "$window_program" "$window"
fi
