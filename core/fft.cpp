#include "core/fft.h"

#include "core/elementary.h"

namespace pellux {

bool fft_length(int n) { return n >= 2 && n <= (1 << 20) && (n & (n - 1)) == 0; }

void fft_table(int n, double* table)
{
    for (int k = 0; k < n / 2; ++k)
        sin_cos_turns(-static_cast<double>(k) / n, table[n / 2 + k], table[k]);
}

void fft(double* re, double* im, int n, int stride, const double* table, bool inverse)
{
    // Bit reversal.
    for (int i = 1, j = 0; i < n; ++i) {
        int bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j) {
            double t = re[i * stride];
            re[i * stride] = re[j * stride];
            re[j * stride] = t;
            t = im[i * stride];
            im[i * stride] = im[j * stride];
            im[j * stride] = t;
        }
    }
    const double* cosines = table;
    const double* sines = table + n / 2;
    const double sign = inverse ? -1.0 : 1.0;
    for (int len = 2; len <= n; len <<= 1) {
        const int half = len >> 1, step = n / len;
        for (int start = 0; start < n; start += len)
            for (int k = 0; k < half; ++k) {
                const double wr = cosines[k * step], wi = sign * sines[k * step];
                const int a = (start + k) * stride, b = (start + k + half) * stride;
                const double xr = re[b] * wr - im[b] * wi;
                const double xi = re[b] * wi + im[b] * wr;
                re[b] = re[a] - xr;
                im[b] = im[a] - xi;
                re[a] = re[a] + xr;
                im[a] = im[a] + xi;
            }
    }
}

} // namespace pellux
