#!/bin/sh
# Makes the images of the image-stage tests, and the trees they came from, in
# OUTDIR:
#   plain.iso    ISO 9660 + Joliet + Rock Ridge of plain/
#   windows.iso  ISO 9660 tree holding only README.TXT, UDF tree all of windows/
#   folder.iso   ISO 9660 tree holding only the folder README.TXT, UDF all of folder/
#   mixed.iso    as windows.iso with the notice named ReadMe.Txt (Rock Ridge names)
#   empty.iso    no files at all
#   refused.iso  windows.iso with its ISO 9660 descriptor broken: only UDF reads it
# With BIG_MB, only big.iso instead: BIG_MB megabytes of random files (no
# tree kept), for a burn slow enough to be watched.
#   usage: burn_images.sh OUTDIR [BIG_MB]
set -eu
out=${1:?usage: burn_images.sh OUTDIR [BIG_MB]}
big_mb=${2:-0}
rm -rf "$out"
mkdir -p "$out"
cd "$out"

if [ "$big_mb" -gt 0 ]; then
  mkdir -p big
  i=0
  while [ "$i" -lt "$big_mb" ]; do
    head -c 4194304 /dev/urandom > "big/part$i.bin"
    i=$((i + 4))
  done
  genisoimage -quiet -V BIG -J -r -o big.iso big/
  rm -rf big
  exit 0
fi

mkdir -p plain/Docs/deep/nested plain/emptydir
printf 'first file\r\n' > plain/a.txt
: > plain/empty.txt
head -c 300000 /dev/urandom > plain/Docs/deep/nested/bin.dat
printf 'spaces in the name\n' > "plain/Docs/Long file name with spaces.txt"
printf 'umlaut\n' > "plain/Docs/gr$(printf '\303\266\303\237')e.txt"
genisoimage -quiet -input-charset utf-8 -V PLAIN -J -r -o plain.iso plain/

mkdir -p windows/sources windows/efi/boot
printf 'This disc holds a UDF file system.\r\n' > windows/README.TXT
printf 'loader' > windows/bootmgr
head -c 1100000 /dev/urandom > windows/sources/boot.wim
printf 'install\r\n' > windows/sources/install.txt
head -c 4000 /dev/urandom > windows/efi/boot/bootx64.efi
genisoimage -quiet -udf -V CCSA_X64FRE -hide sources -hide bootmgr -hide efi -o windows.iso windows/

mkdir -p folder/README.TXT folder/sources
printf 'a folder, not a notice\n' > folder/README.TXT/note.txt
head -c 70000 /dev/urandom > folder/sources/boot.wim
printf 'setup' > folder/setup.exe
genisoimage -quiet -udf -V FOLDER -hide sources -hide setup.exe -o folder.iso folder/

mkdir -p mixed/sources
printf 'mixed case notice\r\n' > mixed/ReadMe.Txt
printf 'wim' > mixed/sources/boot.wim
genisoimage -quiet -udf -r -V MIXED -hide sources -o mixed.iso mixed/

mkdir -p empty
genisoimage -quiet -V EMPTY -J -r -o empty.iso empty/

cp windows.iso refused.iso
# Sector 16 holds the primary volume descriptor "CD001"; the UDF descriptors
# follow it and stay intact.
printf 'XXXXX' | dd of=refused.iso bs=1 seek=32769 conv=notrunc 2>/dev/null

