#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# wine_prefix.sh start|stop BUILD_DIR: makes the build's Wine prefix afresh and keeps a Wine
# server running for the test run, or stops that server.
set -euo pipefail
action=$1
build_dir=$2
export WINEPREFIX="$build_dir/wine-prefix"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY
case "$action" in
    start)
        wineserver-stable -k 2>/dev/null || true
        rm -rf "$WINEPREFIX"
        mkdir -p "$WINEPREFIX"
        # The server and Wine's services outlive this script: they must not hold its output
        # open, or the test run would wait for them.
        wineserver-stable -p </dev/null >/dev/null 2>&1
        wineboot-stable -i </dev/null >"$build_dir/wine-prefix.log" 2>&1
        ;;
    stop)
        wineserver-stable -k 2>/dev/null || true
        ;;
esac
