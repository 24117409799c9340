#!/usr/bin/env bash
# The Windows users' zip of this build: made by scripts/dist, unpacked into an empty
# folder with nothing added, it starts under Wine, shows its window and closes
# cleanly.
#   dist_tests.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
src=${1:?usage: dist_tests.sh SOURCE_DIR BUILD_DIR}
build=${2:?usage: dist_tests.sh SOURCE_DIR BUILD_DIR}
work="$build/dist-test"
rm -rf "$work"
mkdir -p "$work/zip" "$work/app"

bash "$src/scripts/dist" "$build" "$work/zip" >/dev/null
version=$(sed -n 's/^project(Quillora VERSION \([0-9][0-9.]*\).*/\1/p' "$src/CMakeLists.txt")
. "$src/scripts/wine-env"
if pe_is_32bit "$build/bin/Quillora.exe"; then kind=win32; else kind=win64; fi
zip_file="$work/zip/Quillora-$version-$kind.zip"
[ -f "$zip_file" ] || { echo "FAILED: no $zip_file"; exit 1; }
listing=$(unzip -Z1 "$zip_file" | sort | tr '\n' ' ')
[ "$listing" = "7z-License.txt 7z-copying.txt 7z.dll Quillora.exe README.txt " ] ||
  { echo "FAILED: the zip holds $listing"; exit 1; }
cmp -s <(unzip -p "$zip_file" 7z.dll) "$build/bin/7z.dll" || { echo "FAILED: not the 7z.dll built here"; exit 1; }
unzip -p "$zip_file" README.txt | grep -q "Quillora $version" || { echo "FAILED: README.txt without the version"; exit 1; }

unzip -q "$zip_file" -d "$work/app"

to_windows() { printf 'Z:%s' "$1" | tr / '\\'; }
mkdir -p "$build/screenshots"
WINE_RUN_TIMEOUT=180 "$src/scripts/wine-run" "$build/bin/gui_driver.exe" --screenshot \
  "$(to_windows "$work/app/Quillora.exe")" "$(to_windows "$build/screenshots/from-zip.png")"
echo "ok: the unpacked zip starts and closes"
