#!/usr/bin/env bash
# Builds the delivery a second time in another folder and compares it byte for
# byte with the first: no time stamp or build path may reach the binaries.
# The second build takes the first one's zip32.dll; it is never signed.
# Usage: reproducible.sh SOURCE TOOLCHAIN BUILD SECOND_BUILD
set -euo pipefail
source=$1; toolchain=$2; build=$3; second=$4
zip32=$(sed -n 's/^DELIVERY_ZIP32_DLL:FILEPATH=//p' "$build/CMakeCache.txt")
cmake -S "$source" -B "$second" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
      -DCMAKE_BUILD_TYPE=Release -DDELIVERY_ZIP32_DLL="$zip32" \
      -DDELIVERY_SIGNING_CERTIFICATE= -DDELIVERY_SIGNING_KEY= >/dev/null
cmake --build "$second" --target delivery -j2 >/dev/null
status=0
for file in "$build"/delivery/* "$build"/delivery.zip; do
    name=${file#"$build"/}
    if cmp -s "$file" "$second/$name"; then
        echo "same bytes: $name"
    else
        echo "DIFFERENT: $name"
        status=1
    fi
done
exit $status
