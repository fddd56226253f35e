// A radix-2 fast Fourier transform of our own, in place on split real and
// imaginary arrays, so that the simulations need no library and run alike
// natively and in WebAssembly.
#pragma once

namespace pellux {

// Twiddles for transforms of length n (a power of two): n / 2 cosines
// then n / 2 sines of -2 pi k / n, into `table` (n doubles).
void fft_table(int n, double* table);

// The forward (sign -1) or inverse (sign +1, unscaled) transform of the n
// elements re[k * stride], im[k * stride].
void fft(double* re, double* im, int n, int stride, const double* table, bool inverse);

// True for a power of two from 2 to 2^20.
bool fft_length(int n);

} // namespace pellux
