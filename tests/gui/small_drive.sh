#!/usr/bin/env bash
# Drive S: of the build tree's Wine prefix as a real small drive: an 8 MB
# tmpfs mount (the tests run as root). "up" mounts and maps it, "down" undoes
# both; CTest runs "down" after the tests that need it, also when they fail.
#   small_drive.sh up|down BUILD_DIR
set -eu
action=${1:?usage: small_drive.sh up|down BUILD_DIR}
build=${2:?usage: small_drive.sh up|down BUILD_DIR}
dir="$build/drive-s"
link="$build/wineprefix/dosdevices/s:"

down() {
  rm -f "$link"
  if mountpoint -q "$dir"; then umount "$dir"; fi
  if [ -d "$dir" ]; then rmdir "$dir"; fi
}

case "$action" in
  up)
    down
    trap 'down' ERR
    mkdir -p "$dir" "$(dirname "$link")"
    mount -t tmpfs -o size=8m tmpfs "$dir"
    ln -sfn "$dir" "$link"
    ;;
  down) down ;;
  *) echo "usage: small_drive.sh up|down BUILD_DIR" >&2; exit 2 ;;
esac
