#!/usr/bin/env bash
# Makes the 7-Zip binding tests' images, and the trees they came from, in OUTDIR:
#   plain.iso    ISO 9660 + Joliet + Rock Ridge of plain/ (nested and empty folders)
#   windows.iso  ISO 9660 tree holding only README.TXT, UDF tree all of windows/
#   empty.iso    no files at all
#   notiso.bin   random bytes, no image format
#   usage: make_images.sh OUTDIR
set -euo pipefail
out=${1:?usage: make_images.sh OUTDIR}
rm -rf "$out"
mkdir -p "$out"
cd "$out"

mkdir -p plain/docs/deep/nested plain/emptydir plain/docs/alsoempty
printf 'first file\r\n' > plain/a.txt
: > plain/zero.txt
head -c 3000000 /dev/urandom > plain/docs/deep/nested/big.bin
head -c 70000 /dev/urandom > plain/docs/deep/mid.bin
printf 'spaces in the name\n' > "plain/docs/name with spaces.txt"
printf 'umlaut\n' > "plain/docs/gr$(printf '\303\274\303\237')e.txt"
genisoimage -quiet -input-charset utf-8 -V PLAIN -J -r -o plain.iso plain/

mkdir -p windows/sources windows/efi/boot
printf 'This disc holds a UDF file system.\r\n' > windows/README.TXT
printf 'loader' > windows/bootmgr
head -c 1100000 /dev/urandom > windows/sources/boot.wim
printf 'efi loader' > windows/efi/boot/bootx64.efi
genisoimage -quiet -input-charset utf-8 -udf -V CCSA_X64FRE \
  -hide sources -hide bootmgr -hide efi -o windows.iso windows/

mkdir -p empty
genisoimage -quiet -input-charset utf-8 -V EMPTY -J -r -o empty.iso empty/

head -c 100000 /dev/urandom > notiso.bin
