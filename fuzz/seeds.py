#!/usr/bin/env python3
"""Writes the seed corpus of each fuzz harness (corpus/TOOL/NAME) from the
calls of the test suites, in the encoding that fuzz_call.cpp decodes."""
import os
import struct

SPECIAL = [0, 1, 2, 3, 4, 5, 6, 7, 8, -1, 0.5, -0.5, 1.5, 2.9, 3.999, 0.25]
SIZES = [0, 1, 2, 3, 4, 5, 6, 8, 17, 40]


def number(x):
    if x in SPECIAL:
        return bytes([SPECIAL.index(x)])
    return bytes([200]) + struct.pack('<d', x)


def dense(rows, columns, values=None, kind=0):
    """A dense double (or other class by kind) array, values column-major."""
    values = values if values is not None else [0] * (rows * columns)
    return bytes([kind, SIZES.index(rows), SIZES.index(columns)]) + b''.join(number(v) for v in values)


def sparse(rows, columns, entries):
    """A sparse double array from {(row, column): value}."""
    body = bytes([32, SIZES.index(rows), SIZES.index(columns)])
    body += bytes(1 if (i, j) in entries else 0 for j in range(columns) for i in range(rows))
    return body + b''.join(number(entries[k]) for k in sorted(entries, key=lambda rc: (rc[1], rc[0])))


def call(nlhs, *args):
    return bytes([nlhs, len(args)]) + b''.join(args)


column = lambda *v: dense(len(v), 1, list(v))
row = lambda *v: dense(1, len(v), list(v))
scalar = lambda v: dense(1, 1, [v])

SEEDS = {
    'dorvik': {
        'factors_5x3': call(4, dense(5, 3, [1, 2, 3, 4, 5, 2, 0, 1, 3, 4, 8, 7, 6, 5, 4])),
        'full_3x5': call(4, dense(3, 5, list(range(1, 16))), scalar(1)),
        'values_diag': call(2, dense(2, 2, [3, 0, 0, 4])),
        'empty_full': call(4, dense(0, 3), scalar(1)),
        'sparse': call(1, sparse(2, 2, {(0, 0): 1, (1, 1): 1})),
    },
    'halmet': {
        'vectors_2x2': call(2, dense(2, 2, [2, 1, 1, 2])),
        'values_3x3': call(1, dense(3, 3, [0, 0, 0, 0, 3, 0, 0, 0, 0])),
        'one_by_one': call(0, scalar(-3.5)),
        'not_square': call(1, sparse(2, 3, {})),
        # an entry whose square is subnormal, in the row of one of 8
        'subnormal_square': call(1, dense(8, 8, [2.2763141571094725e-159 if p == 16 else 8 if p == 48 else 0
                                                 for p in range(64)])),
        # one that becomes so when A is divided by its largest entry
        'subnormal_square_scaled': call(0, dense(17, 17, [
            {40: 6, 54: 7, 63: 1, 64: 4, 108: 7.117503049684923e-38}.get(
                p, -3.1638862116397002e+134 if 96 <= p <= 107 else 4294967296.0 if p < 113 else 0)
            for p in range(289)])),
        # entries spanning 10^125 whose eigenvalues dsyevd on A and dsyev on
        # the scaled A give 5e-11 apart
        'wide_span': call(0, dense(17, 17, [
            {21: -2147483648, 42: 5.3779316196241729e-299, 43: 1, 44: 1, 45: 2, 50: 1.390677188380097e-145,
             51: 0, 52: 2, 53: -3.1635052143061205e+134}.get(
                p, 4294967296.0 if p < 37 else -3.1638862116397002e+134 if p < 42
                else -3.155457295769573e+134 if 46 <= p <= 49 else 0)
            for p in range(289)])),
    },
    'sunwick': {
        'example': call(1, dense(3, 2, [1, 3, 5, 2, 4, 6]), dense(2, 2, [1, 0, 0, 1]), column(1, 3, 2), column(0, 2, 3)),
        'rows': call(1, dense(3, 2, [1, 3, 5, 2, 4, 6]), dense(2, 2, [1, 0, 0, 1]), row(1, 3, 2), row(0, 2, 3)),
        'order': call(1, row(1, 1e16, -1e16), row(1, 1, 1), column(1), row(0, 1)),
        'overlap': call(1, column(10, 20, 30), column(1, 2, 3), column(1, 2, 3, 1), column(0, 3, 1, 2)),
        'k_zero': call(1, dense(4, 0), dense(3, 0), column(1, 4, 2), column(0, 1, 3)),
    },
    'talvery': {
        'example': call(1, scalar(3), scalar(2), column(10, 20, 30), column(1, 3, 2), column(0, 2, 3)),
        'jcol_row': call(1, scalar(3), scalar(2), column(10, 20, 30), column(1, 3, 2), row(5, 2, 3)),
        'truncation': call(1, scalar(3.999), scalar(2), column(1, 2), column(2.9, 1), column(0, 1, 2)),
        'empty': call(1, scalar(4), scalar(2), dense(0, 1), dense(0, 1), column(0, 0, 0)),
        'unsorted': call(1, scalar(3), scalar(1), column(1, 2), column(3, 1), column(0, 2)),
    },
    'quorvel': {
        'one_pass': call(3, column(1, 0, 0), column(3, 4, 0)),
        'two_passes': call(3, column(1, 0, 0), column(4, 1, 0)),
        'give_up': call(3, column(1, 0, 0), column(3, 4, 0), scalar(5), column(1), scalar(2)),
        'index': call(3, dense(3, 2, [1, 0, 0, 0, 1, 0]), column(3, 4, 5), scalar(1), row(1, 1)),
        'empty_index': call(3, column(1, 0, 0), column(3, 4, 0), scalar(5), dense(0, 0)),
    },
}

here = os.path.dirname(os.path.abspath(__file__))
for tool, seeds in SEEDS.items():
    folder = os.path.join(here, 'corpus', tool)
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(folder, name), 'wb') as f:
            f.write(data)
