#!/usr/bin/env bash
# The delivery as an operator's options make it, in a second build tree: the
# catalogue's own zip32.dll goes out byte for byte (a missing one stops the
# configuration), and with a code-signing certificate (a throwaway self-signed
# one, made here) every binary carries a signature osslsigncode accepts and the
# signed installer still runs: without the Start-menu folder it refuses at once.
# Usage: operator_options.sh SOURCE TOOLCHAIN SECOND_BUILD FIXTURE_EXE DIALOG_DRIVER_EXE
# Needs the Wine test session (scripts/lib/wine-session.sh) to be running.
set -euo pipefail
source=$1; toolchain=$2; second=$3; fixture=$4; driver=$5
: "${WINE:?start the Wine test session first (scripts/lib/wine-session.sh)}"
work=$second/operator
rm -rf "$work"
mkdir -p "$work"
configure() {
    cmake -S "$source" -B "$second" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
          -DCMAKE_BUILD_TYPE=Release -DDELIVERY_ZIP32_DLL= -DDELIVERY_SIGNING_CERTIFICATE= \
          -DDELIVERY_SIGNING_KEY= "$@"
}
status=0
fail() { echo "$*"; status=1; }

# CMake wraps its messages: the lines are joined again before looking.
if configure -DDELIVERY_ZIP32_DLL="$work/missing/zip32.dll" >"$work/missing.log" 2>&1 \
    || ! tr -s ' \n' ' ' <"$work/missing.log" \
         | grep -qF "DELIVERY_ZIP32_DLL names $work/missing/zip32.dll, which is not a file"; then
    fail "a missing zip32.dll did not stop the configuration with its name:"; cat "$work/missing.log"
fi

printf 'MZ the catalogue zip32.dll\0\1\2' > "$work/zip32.dll"
configure -DDELIVERY_ZIP32_DLL="$work/zip32.dll" >/dev/null
cmake --build "$second" --target delivery -j2 >/dev/null
cmp "$work/zip32.dll" "$second/delivery/zip32.dll" || fail "the delivery does not carry the operator's zip32.dll"

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Varenkor throwaway signer" \
    -addext extendedKeyUsage=codeSigning -keyout "$work/key.pem" -out "$work/certificate.pem" 2>/dev/null
configure -DDELIVERY_SIGNING_CERTIFICATE="$work/certificate.pem" -DDELIVERY_SIGNING_KEY="$work/key.pem" >/dev/null
cmake --build "$second" --target delivery -j2 >/dev/null
for name in installa_patch.exe UNZIP32.DLL zip32.dll; do
    if osslsigncode verify -CAfile "$work/certificate.pem" -in "$second/delivery/$name" >"$work/verify.log" 2>&1; then
        echo "signed: $name"
    else
        fail "no accepted signature on $name:"; cat "$work/verify.log"
    fi
done

"$WINE" "$fixture" remove-menu >/dev/null
code=0
"$WINE" "$driver" --timeout 60 -- "$("$WINE" winepath.exe -w "$second/delivery/installa_patch.exe")" >"$work/transcript.txt" 2>&1 || code=$?
grep -q "Non hai installato il catalogo" "$work/transcript.txt" \
    || fail "the signed installer did not come to its refusal (exit code $code):"
cat "$work/transcript.txt"
exit $status
