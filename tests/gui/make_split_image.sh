#!/usr/bin/env bash
# The large Windows-style image of the install.wim split tests, in OUTDIR:
#   split.iso   ISO 9660 tree holding only README.TXT, UDF tree all of split/,
#               whose sources/install.wim is just over 4 GiB; with the boot
#               records of Windows images
#   small-temp  an 8 MB tmpfs, a temp folder without room for the split
# install.wim is a sparse file with random marks at its start, across the
# 3800 MB part boundary and at its end, so the parts can be told apart.
# genisoimage needs -allow-limited-size for a UDF file of 4 GiB or more.
#   usage: make_split_image.sh OUTDIR | make_split_image.sh --remove OUTDIR
set -euo pipefail
# shellcheck source=../windows_iso.sh
. "$(dirname "$0")/../windows_iso.sh"
remove() {
  if mountpoint -q "$1/small-temp"; then umount "$1/small-temp"; fi
  rm -rf "$1"
}
if [ "${1:-}" = --remove ]; then
  remove "${2:?usage: make_split_image.sh --remove OUTDIR}"
  exit 0
fi
out=${1:?usage: make_split_image.sh OUTDIR}
remove "$out"
# A failure part-way leaves no large file behind.
trap 'remove "$out"' ERR
mkdir -p "$out/split/sources" "$out/split/boot" "$out/small-temp"
mount -t tmpfs -o size=8m tmpfs "$out/small-temp"
cd "$out/split"
printf 'This disc holds a UDF file system.\r\n' > README.TXT
printf 'boot manager' > bootmgr
printf 'bcd' > boot/bcd
printf 'setup' > setup.exe
head -c 300000 /dev/urandom > sources/boot.wim
wim=sources/install.wim
mb=1048576
truncate -s $((4096 * mb + 3 * mb)) "$wim"
for at in 0 $((3800 * mb - mb / 2)) $((4096 * mb + 2 * mb)); do
  head -c "$mb" /dev/urandom | dd of="$wim" bs="$mb" seek="$at" oflag=seek_bytes conv=notrunc status=none
done
cd ..
# Written sparse: the zeros of install.wim take no room on the disk.
windows_iso - split -allow-limited-size -V CCSA_X64FRE | dd of=split.iso bs=1M iflag=fullblock conv=sparse status=none
