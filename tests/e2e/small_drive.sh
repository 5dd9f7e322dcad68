#!/usr/bin/env bash
# The small drive T: of the full-disk test: a 2 MiB tmpfs in the build folder,
# mapped as a drive of the Wine prefix. Mounting needs root; without it
# nothing is mapped and the test says it is skipped.
#   small_drive.sh mount|unmount FOLDER
set -u
folder=$2
link="$WINEPREFIX/dosdevices/t:"
case $1 in
    mount)
        mkdir -p "$folder"
        mountpoint -q "$folder" || mount -t tmpfs -o size=2m tmpfs "$folder" 2>/dev/null || exit 0
        ln -sfn "$folder" "$link"
        ;;
    unmount)
        rm -f "$link"
        if mountpoint -q "$folder"; then umount "$folder"; fi
        ;;
esac
exit 0
