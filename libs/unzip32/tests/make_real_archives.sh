#!/bin/sh
# Makes the tree of real_tools.py and that tree zipped by zipfile (plain and
# streamed), 7-Zip and bsdtar, for the Windows tests of UNZIP32.DLL.
# Usage: make_real_archives.sh FOLDER
set -eu
out=$1
script=$(dirname "$0")/real_tools.py
export LC_ALL=C.UTF-8
rm -rf "$out"
mkdir -p "$out/zips"
python3 "$script" tree "$out/tree"
python3 "$script" python-deflate "$out/tree" "$out/zips/python.zip"
python3 "$script" python-stream "$out/tree" "$out/zips/python-stream.zip"
(cd "$out/tree" && 7z a -tzip "$out/zips/7z.zip" . >/dev/null)
bsdtar --format zip -cf "$out/zips/bsdtar.zip" -C "$out/tree" .
