"""Prints 500 Vignetting formulas with a fixed seed, each a Newtonian whose
secondary's projection partly overlaps the primary at the edge of the field:
the branch that takes acos and log10. Projections larger and smaller than
the primary both occur. (One command line of Windows holds 32,767
characters, so 500 is about as many as one run of xlhost.exe takes.)"""
import random

rng = random.Random(20261208)
count = 0
while count < 500:
    D = round(rng.uniform(3, 20), 3)
    F = round(D * rng.uniform(3, 10), 3)
    N = round(D * rng.uniform(0.05, 0.45), 4)
    L = round(rng.uniform(0.3, 0.9) * D + rng.uniform(0, 4), 3)
    stop = round(rng.uniform(1, 80), 2)
    rs, rp, d = N / L * F / 2, D / 2, (F / L - 1) * stop / 25.4 / 2
    if abs(rp - rs) < d < rp + rs:
        print("=Vignetting(%r,%r,%r,%r,%r)" % (D, N, F, L, stop))
        count += 1
