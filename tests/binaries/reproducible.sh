#!/usr/bin/env bash
# Builds the delivery a second time in another folder and compares it byte for
# byte with the first: no time stamp or build path may reach the binaries.
set -euo pipefail
source=$1; build=$2
second=$build/reproducibility
cmake -S "$source" -B "$second" -DCMAKE_TOOLCHAIN_FILE="$source/cmake/mingw-i686.cmake" \
      -DCMAKE_BUILD_TYPE=Release >/dev/null
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
