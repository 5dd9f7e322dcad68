#!/usr/bin/env bash
# The small drive T: of the full-disk test: a 2 MiB tmpfs in the build folder,
# mapped as a drive of the Wine prefix; and R:, an empty tmpfs mounted read-only,
# a folder where the account may not write (a log there cannot be created).
# Mounting needs root; without it nothing is mapped and the tests say they are
# skipped.
#   small_drive.sh mount|unmount FOLDER
set -u
folder=$2
link="$WINEPREFIX/dosdevices/t:"
read_only=$folder-read-only
read_only_link="$WINEPREFIX/dosdevices/r:"
case $1 in
    mount)
        mkdir -p "$folder" "$read_only"
        if mountpoint -q "$read_only" || mount -t tmpfs -o ro,size=64k tmpfs "$read_only" 2>/dev/null; then
            ln -sfn "$read_only" "$read_only_link"
        fi
        mountpoint -q "$folder" || mount -t tmpfs -o size=2m tmpfs "$folder" 2>/dev/null || exit 0
        ln -sfn "$folder" "$link"
        ;;
    unmount)
        rm -f "$link" "$read_only_link"
        if mountpoint -q "$folder"; then umount "$folder"; fi
        if mountpoint -q "$read_only"; then umount "$read_only"; fi
        ;;
esac
exit 0
