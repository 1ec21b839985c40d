# The README's commands. Each installs what it needs first.
PRESET ?= default
JOBS ?= $(shell nproc)

.PHONY: all deps build test demo bench asan format clean

all: build

deps:
	@bash scripts/install-deps.sh

build: deps
	cmake --preset $(PRESET)
	cmake --build --preset $(PRESET) -j $(JOBS)

test: build
	ctest --preset $(PRESET) -j $(JOBS)

demo: build
	./build/hostsim/velm-host run --out demo-output

bench: deps
	cmake --preset bench
	cmake --build --preset bench -j $(JOBS)
	./build-bench/bench/velm-bench

asan: deps
	cmake --preset asan
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build build-asan build-bench demo-output
