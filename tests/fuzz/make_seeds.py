#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz target (layout: fuzz_target.cpp)."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def seed(procedure, records, scalars, pool, shared=False):
    """records: up to five (rows, columns, start, step); scalars: up to five."""
    records = list(records) + [(0, 0, 0, 0)] * (5 - len(records))
    scalars = list(scalars) + [0.0] * (5 - len(scalars))
    out = struct.pack("<BB", procedure, 1 if shared else 0)
    for rows, columns, start, step in records:
        out += struct.pack("<HHHH", rows, columns, start, step)
    out += struct.pack("<5d", *scalars)
    return out + struct.pack("<%dd" % len(pool), *pool)


def column(n, start, step=1):
    return (n, 1, start, step)


INF = float("inf")
NAN = float("nan")
T = 1.7672219924318378
SEEDS = {
    # The worked examples of each function.
    "calc_max_abs_ta": seed(0, [(1, 3, 0, 1), (1, 3, 3, 1), (1, 3, 6, 1)], [0.5],
                            [1.5, 2, 3, 1, 2.5, 2, 0.5, 0.25, 2]),
    "minimize_max_abs_ta": seed(1, [column(4, 0), column(4, 4), column(4, 8)], [0.001],
                                [10, 20, 35, 50, 12, 19, 30, 55, 5, 4, 3, 2]),
    "calc_wfe": seed(2, [column(3, 0), column(3, 3), column(3, 6), column(3, 9), column(3, 12)],
                     [100, -0.6, 0.000022], [10, 40, 70, 12, 37, 71, 5, 4, 3, 1, 2, 3, 1, 1, 1]),
    "minimize_wfe": seed(3, [column(3, 0), column(3, 3), column(3, 6), column(3, 9), column(3, 12)],
                         [100, 0.000022, 0.001],
                         [10, 40, 70, 12, 37, 71, 5, 4, 3, 1, 2, 3, 1, 1, 1]),
    "vignetting": seed(4, [], [6, 1.3, 48, 6, 25], []),
    # A perfect mirror whose search cycles; one whose search stalls.
    "perfect_mirror_cycle": seed(
        3, [(1, 5, 0, 0), (1, 5, 0, 0), (1, 5, 1, 0), (1, 5, 2, 1), (1, 5, 7, 1)],
        [8.2701948575163957, 0.000022, 1e-6],
        [0, T, 3.4408102686971098, 1.6050419133657856, 0.53121378312004908,
         1.1343971873176817, 7.5304886053650018, 0.16710963392090195, 0.61110561619614012,
         0.26209966685886266, 0.40705397331445647, 0.46599170734147921]),
    "stall_at_zero": seed(1, [(1, 2, 0, 1), (1, 2, 2, 0), (1, 2, 3, 1)], [0.001], [0, -1, 0, 1, 1e17]),
    # One zone with an infinite radius; infinities and NaN readings.
    "one_zone": seed(3, [(1, 1, 0, 0), (1, 1, 1, 0), (1, 1, 2, 0), (1, 1, 3, 0), (1, 1, 2, 0)],
                     [100, 0.000022, 0.001], [7, 2.5, 1, INF]),
    "odd_values": seed(1, [column(6, 0), column(6, 1), column(6, 3, 0)], [0],
                       [NAN, INF, -INF, 5e-324, -0.0, 1, 2.5, 1e308]),
    # Shapes: the largest accepted count, one past it, and refused shapes.
    "zones_32767": seed(0, [(1, 32767, 0, 1)], [0.25], [1, 2, 0.5, 3, 0.75], shared=True),
    "zones_32768": seed(3, [(32768, 1, 0, 1)], [100, 1, 1], [1, 2], shared=True),
    "zones_65535": seed(2, [(1, 65535, 0, 1)], [100, 1, 1], [1], shared=True),
    "two_dimensional": seed(1, [(300, 300, 0, 1), (300, 300, 0, 1), (300, 300, 0, 1)], [1], [1]),
    "shapes_differ": seed(3, [(1, 4, 0, 1), (1, 4, 0, 1), (4, 1, 0, 1), (1, 4, 0, 1), (1, 3, 0, 1)],
                          [1, 1, 1], [1, 2, 3, 4]),
    "empty": b"",
}

for name, data in SEEDS.items():
    with open(os.path.join(HERE, "corpus", name), "wb") as f:
        f.write(data)
