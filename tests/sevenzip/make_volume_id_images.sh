#!/usr/bin/env bash
# Makes the images of the volume-id tests in OUTDIR, and beside each image
# NAME.iso the volume id that isoinfo reads from it, in NAME.iso.isoinfo (the
# text after "Volume id: ", then a line break):
#   one.iso, eleven.iso, full.iso  ids of 1, 11 and 32 characters
#   blanks.iso                     blanks before, inside and after the id
#   noid.iso                       an empty id
#   udfonly.iso                    UDF only: its ISO 9660 descriptor broken;
#                                  the id isoinfo read before they were broken
#   notimage.bin                   random bytes, no image format
#   cut.iso                        one.iso cut inside its primary descriptor
#   usage: make_volume_id_images.sh OUTDIR
set -euo pipefail
out=${1:?usage: make_volume_id_images.sh OUTDIR}
rm -rf "$out"
mkdir -p "$out/tree"
cd "$out"
printf 'hello\n' > tree/README.TXT
iso() { genisoimage -quiet -input-charset utf-8 "$@" tree; }
volume_id() { isoinfo -d -i "$1" | sed -n 's/^Volume id: //p'; }

iso -V Q -J -r -o one.iso
iso -V ABCDEFGHIJK -J -r -o eleven.iso
iso -V 'CCSA X64FRE EN-US DV5 0123456789' -J -r -o full.iso
iso -V '  MY  DISK  ' -J -r -o blanks.iso
iso -V '' -J -r -o noid.iso
for image in one eleven full blanks noid; do volume_id $image.iso > $image.iso.isoinfo; done

iso -udf -V 'UDF ONLY DISC ' -o udfonly.iso
volume_id udfonly.iso > udfonly.iso.isoinfo
# Sector 16 holds the primary volume descriptor "CD001"; the UDF descriptors
# follow it and stay intact.
printf 'XXXXX' | dd of=udfonly.iso bs=1 seek=32769 conv=notrunc 2>/dev/null
if isoinfo -d -i udfonly.iso > /dev/null 2>&1; then echo "udfonly.iso still reads as ISO 9660" >&2; exit 1; fi

head -c 100000 /dev/urandom > notimage.bin
head -c 33000 one.iso > cut.iso
rm -rf tree
