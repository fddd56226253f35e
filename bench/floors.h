// The least work each worksheet procedure must do: the same arithmetic in
// the same order, giving the same bits, with no argument checks, no host
// records and no result cell. The benchmarks time every export against these.
#pragma once

namespace pellux::bench {

struct Pair {
    double upper, lower;
};

// CalcWFE, bare: the terms, their running sum, its minimum and maximum, and
// one division by the wavelength.
double calc_wfe_bare(const double* data, const double* ideal, const double* zeff,
                     const double* zwidth, int n, double rcurve, double coc, double wvl);
// CalcWFE, the add chain alone: the running sum with its minimum and maximum
// over terms formed beforehand, and the division. Every result passes
// through this chain, one addition after another.
double calc_wfe_sum(const double* terms, int n, double wvl);
// The terms that calc_wfe_sum takes.
void wfe_terms(const double* data, const double* ideal, const double* zeff, const double* zwidth,
               int n, double rcurve, double coc, double* terms);

// CalcMaxAbsTA, bare: the quotients and their running maximum.
double calc_max_abs_ta_bare(const double* data, const double* ideal, const double* tol, int n,
                            double coc);

// The two searches with the bare objectives above.
Pair minimize_wfe_bare(const double* data, const double* ideal, const double* tol,
                       const double* zeff, const double* zwidth, int n, double rcurve, double wvl,
                       double fittol);
Pair minimize_max_abs_ta_bare(const double* data, const double* ideal, const double* tol, int n,
                              double fittol);

} // namespace pellux::bench
