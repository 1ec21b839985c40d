# The README's commands. Each installs what it needs first.
PRESET ?= default
JOBS ?= $(shell nproc)

.PHONY: all deps build test demo bench asan fuzz fuzz-smoke format clean windows windows-test ilp32 corpus \
        windows-host windows-demo

all: build

deps:
	@bash scripts/install-deps.sh

build: deps
	cmake --preset $(PRESET)
	cmake --build --preset $(PRESET) -j $(JOBS)

test: build windows-host ilp32
	ctest --preset $(PRESET) -j $(JOBS)
	$(MAKE) fuzz-smoke

# The 32-bit Windows module the host loads: build-win32/plugin/VELM-Pro.dll.
windows: deps
	cmake -S . -B build-win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake \
	      -DCMAKE_BUILD_TYPE=Release -DVELM_TESTS=OFF
	cmake --build build-win32 --target velm_module -j $(JOBS)

# The tests that run on Windows's own calls (64-bit, under wine64) and the checks of the
# 32-bit module's exports and resources.
windows-test: windows
	cmake -S . -B build-win64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-x86_64.cmake \
	      -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELM_WIN32_MODULE=$(CURDIR)/build-win32/plugin/VELM-Pro.dll
	cmake --build build-win64 -j $(JOBS)
	ctest --test-dir build-win64 -j $(JOBS) --output-on-failure

# The stand-in host for the Windows module: velm-host built as a wine program
# (build-winhost/hostsim/velm-host.exe.so, run by scripts/wine-host.sh), which loads the
# 64-bit Windows module (build-win64/plugin/VELM-Pro.dll) through the Windows loader.
windows-host: windows-test
	cmake -S . -B build-winhost -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELM_TESTS=OFF \
	      -DVELM_WINE_HOST=ON
	cmake --build build-winhost --target velm-host -j $(JOBS)

# The demo's sessions done by the Linux module and by the Windows module under wine, under
# one fixed clock, compared byte for byte (demo-output-windows/).
windows-demo: build windows-host
	bash scripts/windows-demo.sh demo-output-windows

# The plug-in's portable core and its host-free tests as 32-bit code, run under
# qemu-i386 (ctest -L ilp32).
ilp32: deps
	cmake -S . -B build-ilp32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-linux-i686.cmake \
	      -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELM_ILP32=ON
	cmake --build build-ilp32 -j $(JOBS)
	ctest --test-dir build-ilp32 -L ilp32 -j $(JOBS) --output-on-failure

demo: build
	bash scripts/demo.sh build demo-output

# Real artwork: every icon and flag the packages install, imported, placed back and
# exported, each drawing compared with the reference renderer's (table: corpus-report.md).
# SVG_SUITE=DIR (the public SVG test suite unpacked, or its .tar.xz archive, unpacked into
# build/corpus) measures the suite as well, rsvg-convert beside it as the control.
corpus: build
	./build/tools/corpus/velm-corpus --report corpus-report.md --work build/corpus \
	    $(if $(SVG_SUITE),--suite $(SVG_SUITE)) \
	    bootstrap-icons=/usr/share/bootstrap-icons/svg \
	    flags-4x3=/usr/share/iso-flags-svg/country-4x3 \
	    flags-squared=/usr/share/iso-flags-svg/country-squared

bench: deps
	cmake --preset bench
	cmake --build --preset bench -j $(JOBS)
	./build-bench/bench/velm-bench

asan: deps
	cmake --preset asan
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS)

# The fuzz targets of every reader (clang, AddressSanitizer, UndefinedBehaviorSanitizer),
# each run for FUZZ_TIME seconds on its seed corpus (made by the project's own writers)
# and what it has found before; findings are written to build-fuzz/findings/.
FUZZ_TIME ?= 600
fuzz: deps
	cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS)
	bash scripts/fuzz.sh build-fuzz $(FUZZ_TIME)

# A few seconds of each fuzz target: keeps them building and running.
fuzz-smoke:
	$(MAKE) fuzz FUZZ_TIME=5

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build build-asan build-bench build-fuzz build-win32 build-win64 build-ilp32 demo-output
