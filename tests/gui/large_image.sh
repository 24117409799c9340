#!/usr/bin/env bash
# A Windows-style image (ISO 9660 part: README.TXT only; UDF: every file;
# the boot records of Windows images)
# holding sources/extra.img of 4 GiB + 1 byte, made from a sparse file and
# written sparse, so it takes a few seconds and almost no disk. "make" builds
# OUTDIR/large.iso, "remove" deletes OUTDIR; nothing large stays on failure.
# genisoimage needs -allow-limited-size for a file of 4 GiB or more; the UDF
# tree then records its true size.
#   large_image.sh make|remove OUTDIR
set -eu
# shellcheck source=../windows_iso.sh
. "$(dirname "$0")/../windows_iso.sh"
action=${1:?usage: large_image.sh make|remove OUTDIR}
out=${2:?usage: large_image.sh make|remove OUTDIR}
rm -rf "$out"
[ "$action" = remove ] && exit 0
trap 'rm -rf "$out"' ERR
mkdir -p "$out/tree/sources"
printf 'This disc holds a UDF file system.\r\n' > "$out/tree/README.TXT"
truncate -s $((4294967296 + 1)) "$out/tree/sources/extra.img"
windows_iso - "$out/tree" -allow-limited-size -V LARGE |
  dd of="$out/large.iso" bs=1M iflag=fullblock conv=sparse status=none
rm -rf "$out/tree"
