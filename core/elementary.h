// Elementary functions of our own, so that every platform (glibc, msvcrt,
// wasi-libc) gives the same bits: only IEEE +, -, *, / and sqrt in a fixed
// order, with exact bit operations to split a double into exponent and
// mantissa. Each is within 1 ulp of the correctly rounded result.
#pragma once

namespace pellux {

// The double nearest pi; atan2(0, -1) in every C runtime.
constexpr double kPi = 3.141592653589793;

double acos(double x);
double log(double x);
double log10(double x);
double exp(double x);

// sin and cos of t whole turns (an angle of 2 pi t): t is reduced to a
// quarter turn exactly, so a phase of many turns keeps its fraction; then
// fdlibm's kernels on [-pi/4, pi/4].
void sin_cos_turns(double t, double& sine, double& cosine);

} // namespace pellux
