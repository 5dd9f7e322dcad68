# A private X display and a Wine prefix of the build folder, for the Windows
# tests and the demonstration. Source it, then call
#   wine_session_start BUILD_DIR windows|windows64
# for the 32-bit build (a 32-bit prefix, the 32-bit loader) or its 64-bit twin
# (a 64-bit prefix, the 64-bit loader). It exports WINE, the loader to start
# Windows programs with; everything is stopped again when the calling shell exits.
wine_session_start() {
    local build_dir=$1 side=$2
    export WINEPREFIX="$build_dir/wineprefix"
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe="
    if [ "$side" = windows64 ]; then
        export WINEARCH=win64 WINE=/usr/lib/wine/wine64
        # The programs a 64-bit program starts go to the same loader.
        export WINELOADER=$WINE
    else
        export WINEARCH=win32 WINE=/usr/lib/wine/wine
        unset WINELOADER
    fi

    if [ -z "${KEEP_DISPLAY:-}" ]; then
        local n=90
        while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
        Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
        WINE_SESSION_XVFB=$!
        export DISPLAY=":$n"
        for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    fi
    trap wine_session_stop EXIT

    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "creating the $WINEARCH Wine prefix in $WINEPREFIX"
        mkdir -p "$build_dir"
        "$WINE" wineboot -i >/dev/null 2>&1 </dev/null
    fi
    # Keep one server alive between test processes; its output goes nowhere, or
    # whoever reads ours would wait for it.
    wineserver -p >/dev/null 2>&1 </dev/null || true  # fails when a server already runs
    # Start Wine's own services now, with their output sent nowhere: started by
    # a test, they would hold the test runner's pipe open until its timeout.
    "$WINE" cmd.exe /c exit >/dev/null 2>&1 </dev/null
    # Xvfb has no window manager: let Wine draw the title bars and borders itself.
    "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null
}

wine_session_stop() {
    wineserver -k >/dev/null 2>&1 || true
    if [ -n "${WINE_SESSION_XVFB:-}" ]; then
        kill "$WINE_SESSION_XVFB" 2>/dev/null || true
        wait "$WINE_SESSION_XVFB" 2>/dev/null || true
    fi
}
