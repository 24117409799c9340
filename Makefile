# make run   set-up, build, start Quillora under Wine (the 32-bit program where it runs)
# make test  set-up, build, every test
# make bench set-up, optimised build, every benchmark
# make dist  set-up, both Windows builds, dist/Quillora-VERSION-win32.zip and -win64.zip
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

# Some kernels cannot execute 32-bit programs: there the 32-bit build is
# built but not run.
RUNS_32BIT = . scripts/wine-env && wine_runs_32bit

test: build
	@status=0; \
	echo "== native tests"; ctest --preset native || status=1; \
	echo "== 64-bit Windows tests under Wine"; ctest --preset win64 || status=1; \
	if $(RUNS_32BIT); then \
	  echo "== 32-bit Windows tests under Wine"; ctest --preset win32 || status=1; \
	else \
	  echo "32-bit programs cannot run on this machine: the 32-bit build was built, not run"; \
	fi; \
	exit $$status

run: win32 win64
	@if $(RUNS_32BIT); then bash scripts/run-quillora build/win32; \
	else bash scripts/run-quillora build/win64; fi

bench: setup
	@bash scripts/bench

dist: setup
	@cmake --preset win32 >/dev/null
	@cmake --preset win64 >/dev/null
	@bash scripts/dist

clean:
	rm -rf build dist
