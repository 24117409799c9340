# make run   set-up, build, start Quillora under Wine
# make test  set-up, build, every test
# make bench set-up, optimised build, every benchmark
# make dist  set-up, 32-bit build, dist/Quillora-VERSION-win32.zip for Windows users
.PHONY: all setup native win32 win64 build test run bench dist clean

all: build

setup:
	@bash scripts/setup

native: setup
	@cmake --preset native >/dev/null
	@cmake --build --preset native

win32: setup
	@cmake --preset win32 >/dev/null
	@cmake --build --preset win32

win64: setup
	@cmake --preset win64 >/dev/null
	@cmake --build --preset win64

build: native win32 win64

test: build
	@status=0; \
	echo "== native tests"; ctest --preset native || status=1; \
	echo "== Windows tests under Wine"; ctest --preset win32 || status=1; \
	echo "== 64-bit Windows tests under Wine"; ctest --preset win64 || status=1; \
	exit $$status

run: win32
	@bash scripts/run-quillora build/win32

bench: setup
	@bash scripts/bench

dist: setup
	@cmake --preset win32 >/dev/null
	@bash scripts/dist

clean:
	rm -rf build dist
