#!/usr/bin/env bash
# Makes the images the Wine and GUI tests of the stages read:
#   make_test_images.sh DIR
set -euo pipefail
dir=${1:?usage: make_test_images.sh DIR}
# shellcheck source=../windows_iso.sh
. "$(dirname "$0")/../windows_iso.sh"
mkdir -p "$dir/tree"
echo "hello" > "$dir/tree/README.TXT"
make_iso() { genisoimage -quiet -V "$2" -J -r -o "$dir/$1" "$dir/tree"; }
make_iso setup.iso SETUP_DISC_X64_EN
make_iso eleven.iso ABCDEFGHIJK
make_iso twelve.iso ABCDEFGHIJKL
make_iso noid.iso ""
make_iso spaced.iso "  SPACED ID"
# The Windows kind: the ISO 9660 tree holds README.TXT alone, UDF every file.
mkdir -p "$dir/windows/sources"
echo "setup" > "$dir/windows/sources/setup.txt"
cp "$dir/tree/README.TXT" "$dir/windows/"
windows_iso "$dir/windows.iso" "$dir/windows" -V CCSA_X64FRE_EN_DV9
head -c 65536 /dev/zero > "$dir/zeros.iso"
