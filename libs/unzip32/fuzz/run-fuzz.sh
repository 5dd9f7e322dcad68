#!/bin/sh
# Runs the archive fuzzer for UNZIP32_FUZZ_SECONDS (30 by default), seeded with
# archives that zipfile, 7-Zip and bsdtar make on the spot.
# Usage: run-fuzz.sh FUZZER REAL_TOOLS_SCRIPT WORK_FOLDER
set -eu
fuzzer=$1 script=$2 work=$3
seconds=${UNZIP32_FUZZ_SECONDS:-30}
rm -rf "$work"
mkdir -p "$work/tree" "$work/seeds" "$work/corpus"
export LC_ALL=C.UTF-8
python3 "$script" tree "$work/tree/small"
printf 'tiny\n' > "$work/tree/tiny.txt"
for kind in python-deflate python-stream python-zip64; do
    python3 "$script" "$kind" "$work/tree" "$work/seeds/$kind.zip"
done
(cd "$work/tree" && 7z a -tzip "$work/seeds/7z.zip" tiny.txt small/catalogo/vuoto.txt >/dev/null)
(cd "$work/tree" && 7z a -tzip -pSecret -mem=ZipCrypto "$work/seeds/7z-crypto.zip" tiny.txt >/dev/null)
(cd "$work/tree" && 7z a -tzip -mx=0 "$work/seeds/7z-stored.zip" tiny.txt >/dev/null)
bsdtar --format zip -cf - -C "$work/tree" tiny.txt | cat > "$work/seeds/bsdtar-stream.zip"
# Allocations are capped well below what a lying archive would ask for.
status=0
"$fuzzer" -max_total_time="$seconds" -timeout=10 -malloc_limit_mb=64 -rss_limit_mb=1024 \
    -max_len=65536 -print_final_stats=1 -artifact_prefix="$work/" "$work/corpus" "$work/seeds" >"$work/log" 2>&1 || status=$?
if [ "$status" -ne 0 ]; then
    cat "$work/log"
    echo "the fuzzer found a failure (status $status); the input is kept in $work"
else
    tail -n 8 "$work/log"
fi
exit "$status"
