# Which Windows build runs under Wine here: the 32-bit delivery where this
# machine can start a 32-bit program, otherwise its 64-bit twin. Whether it can
# is found by starting one, the 32-bit Wine loader itself: some kernels have
# their 32-bit emulation switched off, and nothing but a start tells.
# WINDOWS_TESTS=windows or WINDOWS_TESTS=windows64 forces a side.
# Sets WINDOWS_SIDE (the preset that runs), WINDOWS_OTHER_SIDE and WINDOWS_SIDE_WHY.
choose_windows_side() {
    local start
    if start=$(timeout 30 /usr/lib/wine/wine --version 2>&1); then
        WINDOWS_SIDE=windows
        WINDOWS_SIDE_WHY="this machine starts 32-bit programs ($start from the 32-bit loader)"
    else
        WINDOWS_SIDE=windows64
        WINDOWS_SIDE_WHY="this machine cannot start 32-bit programs (the 32-bit Wine loader: ${start:-no answer})"
    fi
    case "${WINDOWS_TESTS:-}" in
        "") ;;
        windows|windows64)
            WINDOWS_SIDE_WHY="WINDOWS_TESTS=$WINDOWS_TESTS chose it; without it: $WINDOWS_SIDE_WHY"
            WINDOWS_SIDE=$WINDOWS_TESTS ;;
        *) echo "WINDOWS_TESTS is windows or windows64, not '$WINDOWS_TESTS'" >&2; return 1 ;;
    esac
    if [ "$WINDOWS_SIDE" = windows ]; then WINDOWS_OTHER_SIDE=windows64; else WINDOWS_OTHER_SIDE=windows; fi
}

# "the 32-bit delivery" or "the 64-bit twin", for the line that says which runs.
windows_side_name() {
    if [ "$1" = windows ]; then echo "the 32-bit delivery build (preset windows)"
    else echo "the 64-bit twin (preset windows64)"; fi
}
