// What the module's entry files share: the export macro, the answers, and
// the buffers the page fills and reads.
#pragma once

#define PELLUX_WASM(name) extern "C" __attribute__((export_name(#name)))

constexpr int kOk = 0;  // the numbers are in the result buffer
constexpr int kNum = 1; // #NUM!

extern "C" {
// Input vector k (0 to 5), or null.
double* pellux_vector(int k);
// The result buffer.
double* pellux_out();
}
