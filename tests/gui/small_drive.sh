#!/usr/bin/env bash
# The tests' real small drive: an 8 MB tmpfs mount at BUILD_DIR/drive-s (the
# tests run as root), which scripts/wine-run maps to drive S: while it
# exists. "up" mounts it, "down" removes it; CTest runs "down" after the tests
# that need it, also when they fail.
#   small_drive.sh up|down BUILD_DIR
set -eu
action=${1:?usage: small_drive.sh up|down BUILD_DIR}
build=${2:?usage: small_drive.sh up|down BUILD_DIR}
dir="$build/drive-s"

down() {
  rm -f "$build/wineprefix/dosdevices/s:"
  if mountpoint -q "$dir"; then umount "$dir"; fi
  if [ -d "$dir" ]; then rmdir "$dir"; fi
}

case "$action" in
  up)
    down
    trap 'down' ERR
    mkdir -p "$dir"
    mount -t tmpfs -o size=8m tmpfs "$dir"
    ;;
  down) down ;;
  *) echo "usage: small_drive.sh up|down BUILD_DIR" >&2; exit 2 ;;
esac
