"""Our acos, log, log10 and exp against mpmath at 200 bits: every result
must be the correctly rounded double or one of its two neighbours, on a
large sample that covers Vignetting's arguments and the figures'.

    against_mpmath.py ELEMENTARY_VALUES"""
import math
import random
import struct
import subprocess
import sys

import mpmath

mpmath.mp.prec = 200


def bits(x):
    return struct.unpack("<Q", struct.pack("<d", x))[0]


def from_bits(u):
    return struct.unpack("<d", struct.pack("<Q", u))[0]


def neighbours(y):
    if y == 0:
        return {0.0, 5e-324, -5e-324}
    return {y, math.nextafter(y, math.inf), math.nextafter(y, -math.inf)}


def samples(rng):
    acos = [rng.uniform(-1, 1) for _ in range(20000)]
    acos += [s * (1 - 10 ** -rng.uniform(1, 16)) for s in (1, -1) for _ in range(2000)]
    acos += [s * (0.5 + rng.uniform(-1e-3, 1e-3)) for s in (1, -1) for _ in range(1000)]
    acos += [rng.uniform(-1e-9, 1e-9) for _ in range(500)] + [1.0, -1.0, 0.0, 0.5, -0.5]
    # Vignetting takes log10 of the fraction of light, in (0, 1].
    logs = [rng.uniform(0, 1) for _ in range(15000)]
    logs += [10 ** rng.uniform(-300, 300) for _ in range(5000)]
    logs += [1 + rng.uniform(-1e-6, 1e-6) for _ in range(2000)]
    logs += [rng.uniform(0.7, 1.45) for _ in range(3000)]
    logs += [5e-324 * rng.randint(1, 1 << 40) for _ in range(500)] + [10.0 ** k for k in range(-20, 21)]
    logs = [x for x in logs if x > 0]
    # The Strehl ratio takes exp of minus (2 pi sigma)^2.
    exps = [-rng.uniform(0, 50) for _ in range(10000)] + [rng.uniform(-745, 709) for _ in range(8000)]
    exps += [rng.uniform(-1e-6, 1e-6) for _ in range(1000)] + [0.0, 1.0, -1.0]
    return {"acos": acos, "log": logs, "log10": logs, "exp": exps}


def reference(name, x):
    m = mpmath.mpf(x)
    value = {"acos": mpmath.acos, "log": mpmath.log, "log10": mpmath.log10, "exp": mpmath.exp}[name](m)
    return float(value)


def main():
    program = sys.argv[1]
    cases = samples(random.Random(1789))
    lines, order = [], []
    for name, xs in cases.items():
        for x in xs:
            lines.append("%s %016x" % (name, bits(x)))
            order.append((name, x))
    out = subprocess.run([program], input="\n".join(lines) + "\n", capture_output=True, text=True,
                         check=True).stdout.split()
    assert len(out) == len(order), "the program answered %d of %d" % (len(out), len(order))
    failures, exact = 0, {}
    for (name, x), got_hex in zip(order, out):
        got = from_bits(int(got_hex, 16))
        want = reference(name, x)
        exact.setdefault(name, [0, 0])
        exact[name][1] += 1
        if got == want:
            exact[name][0] += 1
        elif got not in neighbours(want):
            failures += 1
            if failures <= 20:
                print("FAIL %s(%r) = %r, correctly rounded %r" % (name, x, got, want))
    for name, (hits, total) in exact.items():
        print("%s: %d of %d correctly rounded, the rest within 1 ulp" % (name, hits, total))
    print("%d passed, %d failed" % (len(order) - failures, failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
