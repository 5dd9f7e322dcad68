#!/usr/bin/env bash
# Every DLL a shipped binary imports is one that every Windows has: the compiler's
# run-time is linked in, and nothing else travels with the delivery.
set -euo pipefail
objdump=$1; delivery=$2; shift 2
system='^(KERNEL32|USER32|GDI32|ADVAPI32|SHELL32|OLE32|OLEAUT32|MSVCRT|COMCTL32|UUID|SHLWAPI|VERSION)\.dll$'
status=0
for binary in "$delivery"/*.exe "$delivery"/*.DLL "$delivery"/*.dll "$@"; do
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
