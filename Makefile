# make demo : build everything and run the worked example through the
#             Windows add-in under Wine
# make test : build everything and run every test (native, sanitizers, Wine)
# make bench: time each worksheet procedure against its floor, and
#             MinimizeWFE through the Windows add-in under Wine
JOBS ?= $(shell nproc)
CMAKE_NATIVE = cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Release \
	-DPELLUX_WINDOWS_DIR=$(CURDIR)/build/windows
CMAKE_ASAN = cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DPELLUX_SANITIZE=ON
CMAKE_WINDOWS = cmake -S . -B build/windows -DCMAKE_BUILD_TYPE=Release \
	-DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake -DPELLUX_BUILD_TESTS=OFF
CMAKE_BENCH = cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DPELLUX_BUILD_TESTS=OFF \
	-DPELLUX_BUILD_BENCH=ON
CMAKE_BENCH_WINDOWS = cmake -S . -B build/bench-windows -DCMAKE_BUILD_TYPE=Release \
	-DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake -DPELLUX_BUILD_TESTS=OFF \
	-DPELLUX_BUILD_BENCH=ON

.PHONY: all deps windows native asan test demo bench clean

all: native windows

deps:
	bash scripts/install-deps.sh

windows: deps
	$(CMAKE_WINDOWS)
	cmake --build build/windows -j $(JOBS)

native: deps windows
	$(CMAKE_NATIVE)
	cmake --build build/native -j $(JOBS)

asan: deps
	$(CMAKE_ASAN)
	cmake --build build/asan -j $(JOBS)

test: native asan
	ctest --test-dir build/native --output-on-failure
	ctest --test-dir build/asan --output-on-failure

demo: native windows
	bash scripts/demo.sh

# Own build trees, so that make test never builds the benchmarks.
bench: deps
	$(CMAKE_BENCH_WINDOWS)
	cmake --build build/bench-windows -j $(JOBS)
	$(CMAKE_BENCH)
	cmake --build build/bench -j $(JOBS)
	build/bench/pellux_bench
	bash bench/wine_ratio.sh build/bench build/bench-windows

clean:
	rm -rf build
