#!/usr/bin/env bash
# Makes the images of the 7-Zip binding and image-stage tests, and the trees
# they came from, in OUTDIR:
#   plain.iso    ISO 9660 + Joliet + Rock Ridge of plain/ (nested and empty folders)
#   windows.iso  ISO 9660 tree holding only README.TXT, UDF tree all of windows/,
#                with the BIOS and UEFI boot records of Windows images
#   folder.iso   ISO 9660 tree holding only the folder README.TXT, UDF all of
#                folder/, with boot records
#   mixed.iso    as windows.iso with the notice named ReadMe.Txt (Rock Ridge
#                names), without boot records
#   empty.iso    no files at all
#   cases.iso    same.txt and SAME.TXT: one name where names ignore case
#   names.iso    names Windows cannot hold (devices, a case clash, a trailing
#                dot), with one boot record as Linux images have
#   refused.iso  windows.iso with its ISO 9660 descriptor broken: only UDF reads it
#   notiso.bin   random bytes, no image format
#   half.iso     the first half of plain.iso, as a download stopped halfway
# With BIG_MB, only big.iso instead: BIG_MB megabytes of random files (no
# tree kept), for a burn slow enough to be watched.
#   usage: make_images.sh OUTDIR [BIG_MB]
set -euo pipefail
out=${1:?usage: make_images.sh OUTDIR [BIG_MB]}
big_mb=${2:-0}
# shellcheck source=../windows_iso.sh
. "$(dirname "$0")/../windows_iso.sh"
rm -rf "$out"
mkdir -p "$out"
cd "$out"
iso() { genisoimage -quiet -input-charset utf-8 "$@"; }

if [ "$big_mb" -gt 0 ]; then
  mkdir -p big
  for ((i = 0; i < big_mb; i += 4)); do
    head -c 4194304 /dev/urandom > "big/part$i.bin"
  done
  iso -V BIG -J -r -o big.iso big/
  rm -rf big
  exit 0
fi

mkdir -p plain/Docs/deep/nested plain/emptydir plain/Docs/alsoempty
printf 'first file\r\n' > plain/a.txt
: > plain/zero.txt
head -c 3000000 /dev/urandom > plain/Docs/deep/nested/big.bin
head -c 70000 /dev/urandom > plain/Docs/deep/mid.bin
printf 'spaces in the name\n' > "plain/Docs/name with spaces.txt"
printf 'umlaut\n' > "plain/Docs/gr$(printf '\303\274\303\237')e.txt"
iso -V PLAIN -J -r -o plain.iso plain/

mkdir -p windows/sources windows/efi/boot
printf 'This disc holds a UDF file system.\r\n' > windows/README.TXT
printf 'loader' > windows/bootmgr
head -c 1100000 /dev/urandom > windows/sources/boot.wim
printf 'install\r\n' > windows/sources/install.txt
printf 'efi loader' > windows/efi/boot/bootx64.efi
windows_iso windows.iso windows -V CCSA_X64FRE

mkdir -p folder/README.TXT folder/sources
printf 'a folder, not a notice\n' > folder/README.TXT/note.txt
head -c 70000 /dev/urandom > folder/sources/boot.wim
printf 'setup' > folder/setup.exe
windows_iso folder.iso folder -V FOLDER

mkdir -p mixed/sources
printf 'mixed case notice\r\n' > mixed/ReadMe.Txt
printf 'wim' > mixed/sources/boot.wim
iso -udf -r -V MIXED -hide sources -o mixed.iso mixed/

mkdir -p empty
iso -V EMPTY -J -r -o empty.iso empty/

mkdir -p cases
printf 'lower\n' > cases/same.txt
printf 'UPPER\n' > cases/SAME.TXT
iso -V CASES -J -r -o cases.iso cases/ 2>/dev/null

mkdir -p names/docs names/boot
printf 'device' > names/CON.txt
printf 'device' > names/docs/aux
printf 'kept' > names/docs/console.txt
printf 'lower' > names/same.txt
printf 'UPPER' > names/SAME.TXT
printf 'kept' > names/keep.txt
printf 'dot' > names/keep.txt.
head -c 2048 /dev/urandom > names/boot/loader.bin
iso -V NAMES -J -r -b boot/loader.bin -no-emul-boot -boot-load-size 4 -o names.iso names/ 2>/dev/null

cp windows.iso refused.iso
# Sector 16 holds the primary volume descriptor "CD001"; the UDF descriptors
# follow it and stay intact.
printf 'XXXXX' | dd of=refused.iso bs=1 seek=32769 conv=notrunc 2>/dev/null

head -c 100000 /dev/urandom > notiso.bin
head -c $(($(stat -c %s plain.iso) / 2)) plain.iso > half.iso
