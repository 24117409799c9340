#!/usr/bin/env bash
# Makes the programs whose PE headers the machine tests read, in OUTDIR:
#   x86.exe, x64.exe  built by MinGW for i386 and x64
#   cut.exe           the first 64 bytes of x86.exe: no PE header after them
#   linux             a Linux program
#   usage: make_programs.sh OUTDIR
set -euo pipefail
out=${1:?usage: make_programs.sh OUTDIR}
rm -rf "$out"
mkdir -p "$out"
cd "$out"
printf 'int main(void) { return 0; }\n' > main.c
i686-w64-mingw32-gcc-posix -o x86.exe main.c
x86_64-w64-mingw32-gcc-posix -o x64.exe main.c
head -c 64 x86.exe > cut.exe
cp /bin/true linux
rm main.c
