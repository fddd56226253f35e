#!/usr/bin/env bash
# Builds the page: the core as a WebAssembly module (clang 14 for
# wasm32-wasi, the same flags for exact arithmetic as every other build),
# then one self-contained HTML file with the module, scripts and styles
# inline: build/web/Pellux.html.
set -euo pipefail
cd "$(dirname "$0")/.."
out=build/web
mkdir -p "$out"

sources=(core/zones.cpp core/transverse.cpp core/wavefront.cpp core/zone_kernels.cpp
         core/zone_kernels_avx.cpp core/vignetting.cpp core/elementary.cpp core/figures.cpp
         core/uncertainty.cpp core/reconstruction.cpp core/runs.cpp core/mirror_figures.cpp core/comparison.cpp
         core/fft.cpp core/simulation.cpp core/foucaultgram.cpp core/photo.cpp core/photo_disc.cpp core/photo_readings.cpp
         core/zone_design.cpp core/mask_layout.cpp core/reduction.cpp web/entry/pellux_wasm.cpp
         web/entry/photo_wasm.cpp web/entry/mask_wasm.cpp)
clang++-14 --target=wasm32-wasi -O2 -ffp-contract=off -fno-fast-math -std=c++20 \
  -fno-exceptions -fno-rtti -Wall -Wextra -I. -nostartfiles -Wl,--no-entry -Wl,--strip-all \
  -o "$out/pellux.wasm" "${sources[@]}"

# The npm packages the lockfile pins, when they are not installed yet.
if [ ! -d web/node_modules ] || [ web/package-lock.json -nt web/node_modules/.package-lock.json ]; then
  (cd web && npm ci --no-audit --no-fund --loglevel=error)
fi
version=$(sed -n 's/^project(Pellux VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
node web/build.mjs "$out/pellux.wasm" "$version" "$out/Pellux.html"
