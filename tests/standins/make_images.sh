#!/bin/sh
# Makes small ISO images with genisoimage and keeps the real isoinfo's
# output for each, for the stand-in isoinfo to be compared against.
set -eu
out=${1:?usage: make_images.sh OUTDIR}
rm -rf "$out"
mkdir -p "$out/tree/sub"
echo hello > "$out/tree/a.txt"
echo world > "$out/tree/sub/b.txt"
genisoimage -quiet -V MY_LABEL -J -r -o "$out/joliet.iso" "$out/tree"
genisoimage -quiet -V CCSA_X64FRE -o "$out/plain.iso" "$out/tree"
genisoimage -quiet -udf -V SETUP_DISC_X64_EN -o "$out/udf.iso" "$out/tree"
for image in joliet plain udf; do
  isoinfo -d -i "$out/$image.iso" > "$out/$image.txt"
done
head -c 100000 /dev/zero > "$out/zeros.bin"
