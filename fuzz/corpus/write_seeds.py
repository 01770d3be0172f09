#!/usr/bin/python3
"""Writes the seed inputs of the fuzz targets into fuzz/corpus/<target>/, one file per seed.

Each seed is a small input laid out the way its target reads the fuzz data, chosen to start the
fuzzer at a known case: a worked example of the kernel, a boundary, or one of each operation.
Run from anywhere; it rewrites the files it owns and leaves other files alone.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def write(target, name, data):
    folder = os.path.join(HERE, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(bytes(data))


def le32(v):
    return list(struct.pack("<i", v))


def be16(v):
    return [(v >> 8) & 0xFF, v & 0xFF]


# --- bisort: height byte (% 7), mode byte (mode % 3, first direction (byte / 3) % 2), then per
# mode: RandTree seed and size offset (little-endian 32-bit), or one byte (narrow) or four bytes
# (wide) per node in pre-order; then the spare.
def bisort():
    # The driver's eight values: RandTree(8, 12345768), spare 8, up then down.
    write("bisort", "driver-8", [2, 0] + le32(12345768) + le32(0) + le32(8))
    # The driver at 227 (128 values), where the downward pass leaves one place out of order.
    write("bisort", "driver-227", [6, 0] + le32(12345768) + le32(227 - 128) + le32(8))
    # One node equal to the spare: exchanged downward, not upward; downward first.
    write("bisort", "leaf-equals-spare", [0, 1 + 3] + [5] + le32(5))
    # Sixteen narrow values with many ties.
    write("bisort", "narrow-ties", [3, 1] + [i * 5 % 8 for i in range(15)] + le32(3))
    # Wide values at the 32-bit extremes and equal pairs.
    wide = [-(2**31), 2**31 - 1, 0, -1, 2**31 - 1, 7, -(2**31)]
    write("bisort", "wide-extremes", [2, 2 + 3] + sum((le32(v) for v in wide), []) + le32(0))


# --- pyramid: first byte even for a collapse, odd for a transpose. A collapse reads levels
# (1 + byte % 4), the coarsest width and height, then one value per pyramid entry: a byte below
# 128 is the small value byte % 19 - 9. A transpose reads two sides (1 + low % 32, plus the next
# byte % 32 when low is odd), then the values.
def small(v):
    assert -9 <= v <= 9
    return v + 9


def pyramid():
    def collapse(name, levels, coarsest_w, coarsest_h, values):
        def size_byte(c):
            assert 2 <= c <= 5
            return c - 2
        w, h = coarsest_w << levels, coarsest_h << levels
        assert len(values) == w * h
        write("pyramid", name,
              [0, levels - 1, size_byte(coarsest_w), size_byte(coarsest_h)] +
              [small(v) for v in values])

    # 4 x 4, one level, band 0 (0, 0) = 8.
    collapse("band0-corner-8", 1, 2, 2, [8] + [0] * 15)
    # 4 x 4, band 0 all 6: the 2q below the anchor that differs from h.
    collapse("band0-all-6", 1, 2, 2, [6] * 4 + [0] * 12)
    # 4 x 4, band 3 (0, 0) = 8.
    collapse("band3-corner-8", 1, 2, 2, [0] * 12 + [8] + [0] * 3)
    # 4 x 4, the second stored value of band 2 (stored column by column) = 8.
    collapse("band2-column-order", 1, 2, 2, [0] * 8 + [0, 8, 0, 0] + [0] * 4)
    # 8 x 8 in two levels, values 1 and -1 (halves 0 and -1) everywhere.
    collapse("ones-two-levels", 2, 2, 2, [1, -1, 1, 1] * 16)
    # 20 x 8 in two levels: bands 10 x 4 at the finest, every class, small negative values.
    collapse("classes-20x8", 2, 5, 2, [(i * 7) % 19 - 9 for i in range(160)])

    def transpose(name, rows, cols, values):
        def side(n):
            low = n - 1
            return [low] if low % 2 == 0 else [low, 0]
        write("pyramid", name, [1] + side(rows) + side(cols) + [small(v) for v in values])

    transpose("transpose-2x3", 2, 3, [0, 1, 2, 3, 4, 5])
    transpose("transpose-1x7", 1, 7, list(range(7)))
    transpose("transpose-5x1", 5, 1, list(range(5)))
    transpose("transpose-4x6", 4, 6, [(i % 19) - 9 for i in range(24)])


# --- cipher_tests: first byte % 8 picks the decoder (0, 1), a known-answer generator (2 table,
# 3 intermediate values, 4 variable key, 5 variable text) or a Monte Carlo run (6 ECB, 7 CBC).
# Lengths are two bytes, big-endian, as an offset from the bottom of their range.
def in_range(lo, value):
    return be16(value - lo)


def cipher_tests():
    hex_text = "0f1E2d3C4b5A6978"
    pairs = sum(([1, "0123456789abcdefABCDEF".index(c)] for c in hex_text), [])
    write("cipher_tests", "hex-64-bits", [0] + in_range(-40, 64) + pairs)
    write("cipher_tests", "hex-non-digits", [1] + in_range(-40, 24) + [0, ord("x"), 1, 5, 0, 0,
                                                                       1, 3, 0, ord("G"), 1, 9])
    write("cipher_tests", "table-128", [2, 0x11] + in_range(-64, 128) + in_range(-64, 128))
    # Intermediate values with the table's lengths: key 128 (choice 0), block 192 (choice 1).
    write("cipher_tests", "intermediate-128-192", [3, 0x22, 1, 0, 1, 1])
    write("cipher_tests", "intermediate-256-256", [3, 0x23, 1, 2, 1, 2])
    write("cipher_tests", "variable-key-128", [4, 0x33] + in_range(-64, 128) + in_range(-64, 128))
    write("cipher_tests", "variable-text-256", [5, 0x44] + in_range(-64, 128) + in_range(-64, 256))

    def monte_carlo(name, cbc, key_choice, block_bits, direction, passes, calls):
        text = b"F0E1D2C3B4A5968778695A4B3C2D1E0F9C8B7A6F5E4D3C2B1A0F1E2D3C4B5A69"
        write("cipher_tests", name,
              [7 if cbc else 6, 0x55, 1, key_choice] + in_range(-40, block_bits) +
              [direction, passes, calls] + list(text) * 3)

    monte_carlo("ecb-encrypt-128-3x5", False, 0, 128, 0, 3, 5)
    monte_carlo("ecb-decrypt-192-1x2", False, 1, 128, 1, 1, 2)
    monte_carlo("cbc-encrypt-256-3x1", True, 2, 128, 0, 3, 1)
    monte_carlo("cbc-decrypt-128-2x4", True, 0, 256, 2, 2, 4)


# --- arith_coder: mode (bit 0: totals up to 32767, bit 1: observe the bits), symbol count - 1,
# each symbol's share - 1 (big-endian, two bytes), then one byte per symbol to code.
def arith_coder():
    def coder(name, mode, shares, symbols):
        data = [mode, len(shares) - 1]
        for s in shares:
            data += be16(s - 1)
        write("arith_coder", name, data + [s - 1 for s in symbols])

    # The largest safe total, 0x4002, with one symbol of share 1.
    coder("safe-total-0x4002", 2, [1, 0x4001], [1, 2, 2, 1, 2, 1, 1, 1, 2, 2, 2, 2, 1])
    # Thirds: the middle symbol keeps the interval around 0x8000 and owes follow bits.
    coder("middle-follow-bits", 2, [1000, 1000, 1000], [2] * 24 + [1, 3, 2, 2, 3, 1])
    # A total of 32767 with two symbols of share 1: their intervals can become empty.
    coder("large-total-empty", 3, [1, 1, 32765], [1, 2, 1, 2, 3, 1, 1, 2, 2, 3, 3, 1])
    # One symbol only.
    coder("single-symbol", 0, [1], [1] * 8)


# --- groebner: triples (operation % 8, set selectors, pool selectors).
def groebner():
    ops = []
    for p in range(6):
        ops += [0, p % 4, p * 25 % 256]  # add
    ops += [1, 0 + 4 * 1, 0, 2, 1 + 4 * 0, 0, 3, 2, 0, 4, 3, 0]  # union, minus, choose, free
    ops += [5, 0, 1 + 24 * 2, 6, 0, 2 + 24 * 1, 5, 0, 1 + 24 * 2, 7, 1, 3 + 24 * 3]  # pairs
    write("groebner", "every-operation", ops)
    write("groebner", "same-record-twice", [0, 0, 7, 0, 0, 7, 1, 0, 0, 2, 0, 0])


# --- matrix: n (% 9), alias bit, then doubles (eight bytes each, native order), a short tail
# read as byte / 4.
def matrix():
    def doubles(values):
        return list(b"".join(struct.pack("<d", v) for v in values))

    write("matrix", "empty", [0, 0])
    write("matrix", "one-accumulates", [1, 0] + doubles([2.0, 3.0, 0.5]))
    write("matrix", "aliased-3", [3, 1] + doubles([float(i) - 4.0 for i in range(18)]))
    write("matrix", "inf-nan-2",
          [2, 0] + doubles([float("inf"), 0.0, float("nan"), -0.0, 1e308, 1e308, -1e-320, 2.0,
                            -float("inf"), 1.0, 5e-324, 3.0]))
    write("matrix", "short-tail", [4, 0] + [0x04, 0xFC, 0x80, 0x7F, 0x01])


# --- runner_cli: the tokens of a command line, each ended by a NUL byte; a first "run" is the
# command.
def runner_cli():
    def line(name, *tokens):
        write("runner_cli", name, b"".join(t.encode() + b"\0" for t in tokens))

    line("run-all", "run", "all")
    line("bisort-size-8", "run", "bisort", "--size", "8")
    line("bisort-driver-args", "run", "bisort", "--", "a", "b", "--size")
    line("pyramid-shape", "run", "pyramid", "--width", "32", "--height", "16", "--levels", "3",
         "--input", "p.bin", "--output=o.bin")
    line("inputs-and-generated", "run", "arith-coder", "--generate", "text", "--length", "1000",
         "context-model", "--input", "in.txt", "--json")
    line("runner-settings-anywhere", "run", "--repeat", "2", "matrix", "--no-multiply",
         "--warmup=0", "transpose", "--rows", "3", "--cols", "5", "--no-observe")
    line("groebner-terms", "run", "groebner", "--polys", "4", "--terms", "-1,+2,3", "--", "-a")
    line("context-model-decode", "run", "context-model", "--decode", "100", "cipher-tests")
    line("job-help", "run", "pyramid", "--help")


# --- job_input: byte 0 picks the job (% 3: arith-coder, context-model, pyramid); for the pyramid
# byte 1 is the shape (levels 1 + s % 3, coarsest width 2 + s / 3 % 3, height 2 + s / 9 % 3; s / 27
# even: the values fitted to the shape, 4: an impossible width); the rest is the file.
def job_input():
    text = b"the cat sat on the mat. the cat sat.\n"
    write("job_input", "arith-coder-text", [0] + list(text))
    write("job_input", "arith-coder-one-byte", [0, 0xFF])
    write("job_input", "arith-coder-empty", [0])
    write("job_input", "arith-coder-over-limit", [252] + list(b"abc"))
    write("job_input", "context-model-text", [1] + list(text * 3))
    write("job_input", "context-model-empty", [1])
    write("job_input", "context-model-over-limit", [253] + list(b"abc"))
    # 8 x 8, two levels (s = 1: coarsest 2 x 2), the values fitted from a few small numbers.
    write("job_input", "pyramid-8x8-fitted", [2, 1] + le32(8) + le32(-1) + le32(3) + le32(0))
    # The same shape with its values given one short (s / 27 odd: as given).
    write("job_input", "pyramid-8x8-short", [2, 1 + 27] + [1] * (8 * 8 * 4 - 1))
    write("job_input", "pyramid-8x8-exact", [2, 1 + 27] + sum((le32(i - 32) for i in range(64)), []))
    # 32 x 24 in three levels (s = 2 + 3 * 2 + 9 * 1), every value the same large one.
    write("job_input", "pyramid-32x24-fitted", [2, 2 + 6 + 9] + le32(2**31 - 1))
    write("job_input", "pyramid-odd-width", [2, 4 * 27] + le32(1))


for make in (bisort, pyramid, cipher_tests, arith_coder, groebner, matrix, runner_cli, job_input):
    make()
