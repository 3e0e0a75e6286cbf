#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs ./tools/run.sh as a new user would, both ways, against the demo instrument:
# - without a display: the headless front end says "running", writes an output, and Ctrl+C
#   (SIGINT) ends it with status 0 and its settings saved;
# - on an Xvfb display: the window appears, and SIGTERM closes it with status 0 and its
#   settings saved.
# Settings and event logs go to a folder of the check's own. A failure names the branch.
set -euo pipefail
cd "$(dirname "$0")/.."
set -m # each run gets its own process group, and SIGINT is not ignored in the background

scratch=$(mktemp -d)
xvfb_pid=
cleanup() {
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
    rm -rf "$scratch"
}
trap cleanup EXIT

fail() {
    echo "run.sh, $branch: $*" >&2
    if [ -f "$scratch/$branch.out" ]; then tail -n 30 "$scratch/$branch.out" >&2; fi
    exit 1
}

# wait_for SECONDS COMMAND...: polls COMMAND until it succeeds or the deadline passes.
wait_for() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        if ((SECONDS >= deadline)); then return 1; fi
        if ! kill -0 "$run_pid" 2>/dev/null; then return 1; fi
        sleep 0.1
    done
}

# stop_and_check SIGNAL: waits for the run's end after SIGNAL and checks status and settings.
stop_and_check() {
    kill -"$1" "$run_pid"
    local status=0
    wait "$run_pid" || status=$?
    [ "$status" -eq 0 ] || fail "ended with status $status after SIG$1 (expected 0)"
    grep -q "^\[RunCheck-$branch\]" "$scratch/config/NorvaneAlarm.ini" 2>/dev/null ||
        fail "no [RunCheck-$branch] section saved in $scratch/config/NorvaneAlarm.ini"
    echo "run.sh, $branch: ok"
}

start_run() {
    QUILLON_CONFIG_DIR="$scratch/config" XDG_STATE_HOME="$scratch/state" \
        ./tools/run.sh -dsim "-nRunCheck-$branch" >"$scratch/$branch.out" 2>&1 &
    run_pid=$!
}

# run.sh builds first (incrementally): the first deadline allows for it. run.sh replaces itself
# with the program, so the job's process is the program to signal.
branch=headless
unset DISPLAY WAYLAND_DISPLAY
start_run
wait_for 600 grep -q " running$" "$scratch/$branch.out" || fail "never said \"running\""
wait_for 30 grep -q " output written: " "$scratch/$branch.out" || fail "wrote no output"
stop_and_check INT

branch=window
display_file="$scratch/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$display_file" 2>/dev/null &
xvfb_pid=$!
run_pid=$xvfb_pid
wait_for 30 test -s "$display_file" || fail "Xvfb did not start"
export DISPLAY=":$(cat "$display_file")"
start_run
wait_for 600 xdotool search --onlyvisible --name "^RunCheck-window" >/dev/null ||
    fail "no window named RunCheck-window appeared on $DISPLAY"
stop_and_check TERM
