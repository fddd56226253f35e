# make demo : build everything and run the worked example through the
#             Windows add-in under Wine
# make test : build everything and run every test (native, sanitizers, Wine)
JOBS ?= $(shell nproc)
CMAKE_NATIVE = cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Release \
	-DPELLUX_WINDOWS_DIR=$(CURDIR)/build/windows
CMAKE_ASAN = cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DPELLUX_SANITIZE=ON
CMAKE_WINDOWS = cmake -S . -B build/windows -DCMAKE_BUILD_TYPE=Release \
	-DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake -DPELLUX_BUILD_TESTS=OFF

.PHONY: all deps windows native asan test demo clean

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

clean:
	rm -rf build
