# Sourced by the image scripts of the tests.
#   windows_iso OUT TREE [genisoimage options...]
# A Windows-style image of TREE shaped as Windows installation images are:
# the BIOS and the UEFI boot file as two no-emulation El Torito entries, every
# top-level entry but README.TXT hidden from the ISO 9660 part, the UDF part
# holding them all. Boot files missing from TREE are made. genisoimage also
# puts the empty boot catalog into the UDF part: TREE gets it too afterwards,
# so that TREE stays what the UDF part holds.
windows_iso() {
  local out=$1 tree=$2 entry
  shift 2
  mkdir -p "$tree/boot" "$tree/efi/microsoft/boot"
  [ -f "$tree/boot/etfsboot.com" ] || head -c 4096 /dev/urandom > "$tree/boot/etfsboot.com"
  [ -f "$tree/efi/microsoft/boot/efisys.bin" ] || head -c 8192 /dev/urandom > "$tree/efi/microsoft/boot/efisys.bin"
  local hide=(-hide boot.catalog)
  for entry in "$tree"/*; do
    [ "$(basename "$entry")" = README.TXT ] || hide+=(-hide "$(basename "$entry")")
  done
  genisoimage -quiet -input-charset utf-8 -udf "$@" -b boot/etfsboot.com -no-emul-boot -boot-load-size 8 \
    -eltorito-alt-boot -e efi/microsoft/boot/efisys.bin -no-emul-boot "${hide[@]}" -o "$out" "$tree"
  : > "$tree/boot.catalog"
}
