# make demo : build everything and run the worked example through the
#             Windows add-in under Wine
# make test : build everything and run every test (native, sanitizers, Wine,
#             the fuzz target over its seed corpus)
# make dist : the release bundle dist/Pellux-<version>-windows.zip, the
#             LibreOffice extension dist/Pellux.oxt and the page
#             dist/Pellux.html (both also inside the zip)
# make web  : the page, build/web/Pellux.html
# make fuzz : run the fuzz target for 60 seconds from its seed corpus
# make bench: time each worksheet procedure against its floor, and
#             MinimizeWFE through the Windows add-in under Wine
JOBS ?= $(shell nproc)
CMAKE_NATIVE = cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Release \
	-DPELLUX_WINDOWS_DIR=$(CURDIR)/build/windows -DPELLUX_WINDOWS32_DIR=$(CURDIR)/build/windows32 \
	-DPELLUX_I386_DIR=$(CURDIR)/build/i386 -DPELLUX_CALC=ON \
	-DPELLUX_WEB_PAGE=$(CURDIR)/build/web/Pellux.html
CMAKE_ASAN = cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DPELLUX_SANITIZE=ON
CMAKE_WINDOWS = cmake -S . -B build/windows -DCMAKE_BUILD_TYPE=Release \
	-DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake -DPELLUX_BUILD_TESTS=OFF
CMAKE_WINDOWS32 = cmake -S . -B build/windows32 -DCMAKE_BUILD_TYPE=Release \
	-DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-i686.cmake -DPELLUX_BUILD_TESTS=OFF
# i386 Linux: the module and xlhost only, run by the native tests under
# qemu-i386-static with 32-bit Excel's calling convention.
CMAKE_I386 = cmake -S . -B build/i386 -DCMAKE_BUILD_TYPE=Release \
	-DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/linux-i686.cmake -DPELLUX_BUILD_TESTS=OFF
CMAKE_FUZZ = cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	-DCMAKE_CXX_COMPILER=clang++ -DPELLUX_FUZZ=ON -DPELLUX_BUILD_TESTS=OFF
CMAKE_BENCH = cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DPELLUX_BUILD_TESTS=OFF \
	-DPELLUX_BUILD_BENCH=ON
CMAKE_BENCH_WINDOWS = cmake -S . -B build/bench-windows -DCMAKE_BUILD_TYPE=Release \
	-DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake -DPELLUX_BUILD_TESTS=OFF \
	-DPELLUX_BUILD_BENCH=ON

.PHONY: all deps windows windows32 i386 native asan fuzz-build fuzz test demo dist bench clean web

all: native windows windows32

deps:
	bash scripts/install-deps.sh

windows: deps
	$(CMAKE_WINDOWS)
	cmake --build build/windows -j $(JOBS)

windows32: deps
	$(CMAKE_WINDOWS32)
	cmake --build build/windows32 -j $(JOBS)

i386: deps
	$(CMAKE_I386)
	cmake --build build/i386 -j $(JOBS) --target Pellux xlhost

web: deps
	bash scripts/build-web.sh

native: deps windows windows32 i386 web
	$(CMAKE_NATIVE)
	cmake --build build/native -j $(JOBS)

asan: deps
	$(CMAKE_ASAN)
	cmake --build build/asan -j $(JOBS)

fuzz-build: deps
	$(CMAKE_FUZZ)
	cmake --build build/fuzz -j $(JOBS) --target pellux_fuzz workbook_fuzz

# New inputs go to build/fuzz/corpus; the seeds in the tree stay as they are.
fuzz: fuzz-build
	mkdir -p build/fuzz/corpus
	build/fuzz/pellux_fuzz -max_total_time=60 -artifact_prefix=build/fuzz/ \
		build/fuzz/corpus tests/fuzz/corpus

test: native asan fuzz-build
	ctest --test-dir build/native --output-on-failure
	ctest --test-dir build/asan --output-on-failure
	ctest --test-dir build/fuzz --output-on-failure

demo: native windows
	bash scripts/demo.sh

dist: native windows windows32 web
	bash scripts/dist.sh

# Own build trees, so that make test never builds the benchmarks.
bench: deps
	$(CMAKE_BENCH_WINDOWS)
	cmake --build build/bench-windows -j $(JOBS)
	$(CMAKE_BENCH)
	cmake --build build/bench -j $(JOBS)
	build/bench/pellux_bench
	bash bench/wine_ratio.sh build/bench build/bench-windows

clean:
	rm -rf build dist
