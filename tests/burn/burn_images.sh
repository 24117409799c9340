#!/usr/bin/env bash
# Images for the burn workflow tests, in OUTDIR:
#   plain.iso    ISO 9660 + Joliet of plain/, with BIG_MB megabytes (default
#                96) in plain/big so that its burn lasts long enough to be
#                looked at
#   windows.iso  ISO 9660 tree holding only README.TXT, UDF tree all of windows/
#                (BOOTMGR at the root: the /nt60 kind), with the BIOS and UEFI
#                boot records of Windows images
#   half.iso     the first half of plain.iso, as a download stopped halfway
#   windows9.iso windows.iso's kind holding 9 MB, more than the 8 MB drive S:
#   setup.iso    a Windows setup image for ARM PCs (setup.exe, boot.wim,
#                install.wim, bootaa64.efi)
#   setup-own.iso  setup.iso's kind holding its own autounattend.xml
#   windows-bootsect.iso  windows.iso's trees with BOOTSECT as boot/bootsect.exe
#                (only when BOOTSECT is given)
# The trees stay beside the images, for comparing with the drive.
#   usage: burn_images.sh OUTDIR [BIG_MB [BOOTSECT]]
set -eu
# shellcheck source=../windows_iso.sh
. "$(dirname "$0")/../windows_iso.sh"
out=${1:?usage: burn_images.sh OUTDIR [BIG_MB [BOOTSECT]]}
big_mb=${2:-96}
bootsect=${3:-}
rm -rf "$out"
mkdir -p "$out"
cd "$out"

mkdir -p plain/docs/deep plain/big
i=0
while [ "$i" -lt 4 ]; do
  head -c $((big_mb * 262144)) /dev/urandom > "plain/big/part$i.bin"
  i=$((i + 1))
done
printf 'first file\r\n' > plain/a.txt
head -c 200000 /dev/urandom > plain/docs/deep/data.bin
printf 'notes\n' > "plain/docs/long name with spaces.txt"
genisoimage -quiet -V PLAIN_DISC -J -r -o plain.iso plain/
head -c $(($(stat -c %s plain.iso) / 2)) plain.iso > half.iso

mkdir -p windows/sources windows/boot
printf 'This disc holds a UDF file system.\r\n' > windows/README.TXT
printf 'boot manager' > windows/bootmgr
head -c 300000 /dev/urandom > windows/sources/boot.wim
printf 'setup' > windows/setup.exe
printf 'bcd' > windows/boot/bcd
windows_iso windows.iso windows -V CCSA_X64FRE

mkdir -p windows9/sources
printf 'This disc holds a UDF file system.\r\n' > windows9/README.TXT
printf 'setup' > windows9/setup.exe
head -c 9437184 /dev/urandom > windows9/sources/install.esd
windows_iso windows9.iso windows9 -V CCSA_X64FRE

for kind in setup setup-own; do
  mkdir -p "$kind/sources" "$kind/efi/boot"
  printf 'This disc holds a UDF file system.\r\n' > "$kind/README.TXT"
  printf 'setup' > "$kind/setup.exe"
  head -c 100000 /dev/urandom > "$kind/sources/boot.wim"
  head -c 200000 /dev/urandom > "$kind/sources/install.wim"
  printf 'arm loader' > "$kind/efi/boot/bootaa64.efi"
done
printf '<?xml version="1.0"?><unattend xmlns="urn:schemas-microsoft-com:unattend"/>\n' > setup-own/AutoUnattend.xml
windows_iso setup.iso setup -V CCSA_A64FRE
windows_iso setup-own.iso setup-own -V CCSA_A64FRE

if [ -n "$bootsect" ]; then
  cp -r windows windows-bootsect
  rm windows-bootsect/boot.catalog
  cp "$bootsect" windows-bootsect/boot/bootsect.exe
  windows_iso windows-bootsect.iso windows-bootsect -V CCSA_X64FRE
fi
