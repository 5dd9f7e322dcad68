#!/usr/bin/env bash
# Every DLL a shipped binary imports is one that every Windows has: the compiler's
# run-time is linked in, and nothing else travels with the delivery. The binaries
# of the delivery itself go out without their debug sections.
# Usage: imports.sh OBJDUMP DELIVERED_BINARY... -- OTHER_BINARY...
set -euo pipefail
objdump=$1; shift
system='^(KERNEL32|USER32|GDI32|ADVAPI32|SHELL32|OLE32|OLEAUT32|MSVCRT|COMCTL32|UUID|SHLWAPI|VERSION)\.dll$'
status=0
delivered=1
for binary in "$@"; do
    if [ "$binary" = -- ]; then delivered=; continue; fi
    if [ -n "$delivered" ]; then
        if "$objdump" -h "$binary" | grep -q ' \.debug_'; then
            echo "$(basename "$binary") is delivered with debug sections"
            status=1
        fi
        size=$(stat -c %s "$binary")
        if [ "$size" -ge 520000 ]; then
            echo "$(basename "$binary") is delivered with $size bytes"
            status=1
        fi
    fi
    imports=$("$objdump" -p "$binary" | sed -n 's/^\s*DLL Name: //p')
    [ -n "$imports" ] || { echo "$binary: no import table read"; status=1; continue; }
    while read -r dll; do
        if ! grep -qiE "$system" <<<"$dll"; then
            echo "$(basename "$binary") imports $dll, which is not a system library"
            status=1
        fi
    done <<<"$imports"
    echo "$(basename "$binary"): $(tr '\n' ' ' <<<"$imports")"
done
exit $status
