# make demo : build everything and run the worked example through the
#             Windows add-in under Wine
# make test : build everything and run every test (native, sanitizers, Wine)
# make dist : the Windows release bundle dist/Pellux-<version>-windows.zip
JOBS ?= $(shell nproc)
CMAKE_NATIVE = cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Release \
	-DPELLUX_WINDOWS_DIR=$(CURDIR)/build/windows -DPELLUX_WINDOWS32_DIR=$(CURDIR)/build/windows32
CMAKE_ASAN = cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DPELLUX_SANITIZE=ON
CMAKE_WINDOWS = cmake -S . -B build/windows -DCMAKE_BUILD_TYPE=Release \
	-DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake -DPELLUX_BUILD_TESTS=OFF
CMAKE_WINDOWS32 = cmake -S . -B build/windows32 -DCMAKE_BUILD_TYPE=Release \
	-DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-i686.cmake -DPELLUX_BUILD_TESTS=OFF

.PHONY: all deps windows windows32 native asan test demo dist clean

all: native windows windows32

deps:
	bash scripts/install-deps.sh

windows: deps
	$(CMAKE_WINDOWS)
	cmake --build build/windows -j $(JOBS)

windows32: deps
	$(CMAKE_WINDOWS32)
	cmake --build build/windows32 -j $(JOBS)

native: deps windows windows32
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

dist: windows windows32
	bash scripts/dist.sh

clean:
	rm -rf build dist
