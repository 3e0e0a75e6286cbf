#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# wine_prefix.sh start|stop BUILD_DIR: makes the build's Wine prefix afresh and keeps a Wine
# server and an Xvfb display (for the window's tests) running for the test run, or stops them.
set -euo pipefail
action=$1
build_dir=$2
export WINEPREFIX="$build_dir/wine-prefix"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
display_file="$build_dir/wine-display"
xvfb_pid_file="$build_dir/wine-xvfb.pid"

stop_xvfb() {
    if [ -f "$xvfb_pid_file" ]; then
        kill "$(cat "$xvfb_pid_file")" 2>/dev/null || true
        rm -f "$xvfb_pid_file"
    fi
    rm -f "$display_file"
}

# A display of the run's own: Xvfb picks a free number and writes it to the file.
start_xvfb() {
    : >"$display_file.new"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file.new" \
        </dev/null >/dev/null 2>&1 &
    echo $! >"$xvfb_pid_file"
    for _ in $(seq 100); do
        [ -s "$display_file.new" ] && break
        sleep 0.1
    done
    if [ ! -s "$display_file.new" ]; then
        echo "Xvfb did not start" >&2
        exit 1
    fi
    echo ":$(tr -d '\n' <"$display_file.new")" >"$display_file"
    rm -f "$display_file.new"
}

case "$action" in
    start)
        wineserver-stable -k 2>/dev/null || true
        stop_xvfb
        rm -rf "$WINEPREFIX"
        mkdir -p "$WINEPREFIX"
        start_xvfb
        export DISPLAY
        DISPLAY=$(cat "$display_file")
        # The server and Wine's services outlive this script: they must not hold its output
        # open, or the test run would wait for them.
        wineserver-stable -p </dev/null >/dev/null 2>&1
        wineboot-stable -i </dev/null >"$build_dir/wine-prefix.log" 2>&1
        # Xvfb has no window manager: Wine would wait two seconds at each closed window for
        # one to answer, so Wine manages the windows itself.
        wine-stable reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
            </dev/null >>"$build_dir/wine-prefix.log" 2>&1
        ;;
    stop)
        wineserver-stable -k 2>/dev/null || true
        stop_xvfb
        ;;
esac
