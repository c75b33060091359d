#!/usr/bin/env python3
"""Independent models of the designs in this folder, in plain Python
integers, and the vectors files they give.

Each design has a model of what it should compute and a model of its
one-line fault (the file named <design>_fault.vhd, or _lossy.vhd), so a
test knows which test of a vectors file the fault breaks first and with
which values. Run as a script to write every design's vectors file into a
folder: models.py DIR.
"""
import pathlib
import random
import sys


def digits(width):
    return (width + 3) // 4


def hex_field(value, width):
    return f"{value:0{digits(width)}X}"


def list_field(values, width):
    return "[" + " ".join(hex_field(v, width) for v in values) + "]"


def vectors_text(header, rows):
    """A vectors file: the header line, then one line per test. A row is a
    pair of lists (inputs, outputs) of fields already written as text."""
    lines = [header]
    for inputs, outputs in rows:
        lines.append(" ".join(inputs) + " : " + " ".join(outputs))
    return "\n".join(lines) + "\n"


# restoring_divider: quotient and remainder of W-bit operands. The fault
# divides by the divisor with its lowest bit forced to 1.

def divider_cases(width, count, seed=21):
    rng = random.Random(seed)
    cases = [(100, 7), ((1 << width) - 1, 1), (5, (1 << width) - 1), (0, 3)]
    while len(cases) < count:
        cases.append((rng.randrange(1 << width), rng.randrange(1, 1 << width)))
    return cases


def divider(a, b):
    return a // b, a % b


def divider_fault(a, b):
    return divider(a, b | 1)


def divider_vectors(width, cases):
    return vectors_text("dividend divisor : quotient remainder",
                        [([hex_field(a, width), hex_field(b, width)],
                          [hex_field(q, width), hex_field(r, width)])
                         for (a, b) in cases for (q, r) in [divider(a, b)]])


# nonrestoring_divider: 16-bit quotient and remainder. The fault leaves a
# negative final remainder uncorrected; modelled step by step as the design
# runs, independent of the arithmetic above.

def nonrestoring_fault(a, b):
    partial, quo = 0, a
    for _ in range(16):
        shifted = partial * 2 + (quo >> 15)
        partial = shifted - b if partial >= 0 else shifted + b
        quo = ((quo << 1) & 0xFFFF) | (1 if partial >= 0 else 0)
    return quo, partial % (1 << 16)


# serial_multiplier: 16 x 16 -> 32 bits. The fault shifts the multiplier by
# two bits per step, so step i sees bit 2i of b with a shifted by i.

def multiplier(a, b):
    return a * b


def multiplier_fault(a, b):
    product, step = 0, 0
    while b >> (2 * step):
        if (b >> (2 * step)) & 1:
            product += a << step
        step += 1
    return product % (1 << 32)


def multiplier_vectors(cases):
    return vectors_text("a b : product", [([hex_field(a, 16), hex_field(b, 16)],
                                            [hex_field(multiplier(a, b), 32)]) for a, b in cases])


# isqrt: root of a 16-bit natural and whether it is exact. The fault takes a
# root bit only when the rest is strictly greater, modelled on the
# digit-by-digit method.

def isqrt(x):
    root = 0
    while (root + 1) * (root + 1) <= x:
        root += 1
    return root, root * root == x


def isqrt_fault(x):
    rest, res, bit = x, 0, 1 << 14
    while bit:
        if rest > res + bit:
            rest -= res + bit
            res = (res >> 1) + bit
        else:
            res >>= 1
        bit >>= 2
    return res & 0xFF, rest == 0


def isqrt_vectors(values):
    return vectors_text("x : root exact", [([hex_field(x, 16)], [hex_field(r, 8), str(int(e))])
                                           for x in values for r, e in [isqrt(x)]])


# mac_pipeline: y = a * b + c. The fault drops bit 15 of c.

def mac(a, b, c):
    return a * b + c


def mac_fault(a, b, c):
    return a * b + (c & 0x7FFF)


def mac_vectors(cases):
    return vectors_text("a b c : y", [([hex_field(a, 8), hex_field(b, 8), hex_field(c, 16)],
                                       [hex_field(mac(a, b, c), 17)]) for a, b, c in cases])


# array_sum: the sum of the first n words. The fault drops bit 15 of each.

def array_sum(words, n):
    return sum(words[:n])


def array_sum_fault(words, n):
    return sum(w & 0x7FFF for w in words[:n])


def array_sum_vectors(cases):
    return vectors_text("n arr : sum", [([hex_field(n, 7), list_field(words, 16)],
                                         [hex_field(array_sum(words, n), 22)]) for n, words in cases])


# reverse_in_place: the first n words reversed, the rest unchanged. The
# fault stops one pair early, which leaves the middle pair of an even n.

def reverse(words, n):
    return list(reversed(words[:n])) + words[n:]


def reverse_fault(words, n):
    result = list(words)
    lo, hi = 0, n - 1
    while n and lo + 1 < hi:
        result[lo], result[hi] = result[hi], result[lo]
        lo, hi = lo + 1, hi - 1
    return result


def reverse_vectors(cases):
    return vectors_text("n buf : buf", [([hex_field(n, 5), list_field(words, 16)],
                                         [list_field(reverse(words, n), 16)]) for n, words in cases])


# stream_filter: the values at least limit, in order. The fault drops the
# values equal to limit.

def stream_filter(limit, values):
    return [v for v in values if v >= limit]


def stream_filter_fault(limit, values):
    return [v for v in values if v > limit]


def stream_filter_vectors(cases):
    return vectors_text("n limit x : y", [([hex_field(len(xs), 8), hex_field(limit, 16), list_field(xs, 16)],
                                           [list_field(stream_filter(limit, xs), 16)]) for limit, xs in cases])


# packet_sum: one sum per packet (per test). The fault never clears the sum
# after a packet, so each sum carries the earlier packets less their final
# values.

def packet_sums(packets):
    return [sum(p) % (1 << 20) for p in packets]


def packet_sums_fault(packets):
    sums, carried = [], 0
    for p in packets:
        sums.append((carried + sum(p)) % (1 << 20))
        carried = (carried + sum(p[:-1])) % (1 << 20)
    return sums


def packet_sum_vectors(packets):
    return vectors_text("din : dout", [([list_field(p, 16)], [list_field([s], 20)])
                                       for p, s in zip(packets, packet_sums(packets))])


# approx_div10: the exact x / 10 is what the vectors expect; the design is
# one low on some x. status is x rotated right by one hexadecimal digit.

def div10_design(x, reciprocal=52428):
    return (x * reciprocal + 0x6000) >> 19


def status_word(x):
    return ((x & 0xF) << 12) | (x >> 4)


def div10_vectors(values):
    return vectors_text("x : y status", [([hex_field(x, 16)], [hex_field(x // 10, 16), hex_field(status_word(x), 16)])
                                         for x in values])


# sat_accumulator: a added n times, stopping at cap when the sum would pass
# it. The fault stops there with the sum so far instead of cap.

def sat_accumulate(n, a, cap, keep_partial=False):
    total = 0
    for _ in range(n):
        if total + a > cap:
            return total if keep_partial else cap
        total += a
    return total


def sat_vectors(cases):
    return vectors_text("n a cap : acc", [([hex_field(n, 4), hex_field(a, 8), hex_field(cap, 12)],
                                           [hex_field(sat_accumulate(n, a, cap), 12)]) for n, a, cap in cases])


def sat_cases(count, saturating, seed=23):
    """n, a, cap; with saturating False no sum passes cap (cap is all ones,
    above 15 * 255), so the saturating state is never reached."""
    rng = random.Random(seed)
    cases = []
    for _ in range(count):
        n, a = rng.randrange(16), rng.randrange(256)
        cap = rng.choice([a * 3, a * 3 - 1, rng.randrange(1 << 12)]) if saturating else 0xFFF
        cases.append((n, a, max(cap, 0) % (1 << 12)))
    return cases


# clamp_scale: a * gain + offset (or a alone when en is 0), clamped to
# +/- lim; a and y are 8-bit two's complement in the vectors. The fault
# reads only the three rightmost elements of the ascending gain vector,
# which are its three least significant bits.

def clamp_scale(a_bits, offset, en, gain, lim, gain_mask=0xF):
    a = a_bits - 256 if a_bits >= 128 else a_bits
    scaled = a * (gain & gain_mask) + offset if en else a
    y = max(-lim, min(lim, scaled))
    return y % 256, int(y < 0), int(y != scaled)


def clamp_scale_fault(a_bits, offset, en, gain, lim):
    return clamp_scale(a_bits, offset, en, gain, lim, gain_mask=0x7)


def clamp_scale_cases(lim_bits, count, seed=2124):
    rng = random.Random(seed)
    cases = [(0, 0, 1, 0, 0), (100, 15, 1, 15, (1 << lim_bits) - 1), (256 - 100, 0, 1, 15, (1 << lim_bits) - 1),
             (256 - 3, 2, 1, 8, 40), (5, 0, 0, 9, 3)]
    while len(cases) < count:
        cases.append((rng.randrange(-100, 101) % 256, rng.randrange(16), rng.randrange(2), rng.randrange(16),
                      rng.randrange(1 << lim_bits)))
    return cases


# crc8_serial: CRC-8 with polynomial 0x07, initial value 0, of a 16-bit
# word, most significant bit first. The fault's polynomial is 0x05.

def crc8(word, poly=0x07):
    crc = 0
    for i in range(15, -1, -1):
        feedback = ((crc >> 7) ^ (word >> i)) & 1
        crc = ((crc << 1) & 0xFF) ^ (poly if feedback else 0)
    return crc


def crc8_fault(word):
    return crc8(word, poly=0x05)


# keyed_mix: y = rotl3(x xor key) + x with the key C3A5 built after reset.
# The fault builds three nibbles only (key 03A5).

def keyed_mix(x, key=0xC3A5):
    mixed = x ^ key
    return ((((mixed << 3) | (mixed >> 13)) & 0xFFFF) + x) & 0xFFFF


def keyed_mix_fault(x):
    return keyed_mix(x, key=0x03A5)


def write_all(folder):
    folder = pathlib.Path(folder)
    folder.mkdir(parents=True, exist_ok=True)
    rng = random.Random(1)
    files = {
        "restoring_divider_w16.vectors": divider_vectors(16, divider_cases(16, 200)),
        "nonrestoring_divider.vectors": divider_vectors(16, divider_cases(16, 200)),
        "serial_multiplier.vectors": multiplier_vectors([(rng.randrange(1 << 16), rng.randrange(1 << 16))
                                                         for _ in range(200)]),
        "isqrt.vectors": isqrt_vectors([0, 1, 2, 3, 4, 65535, 65025] + [rng.randrange(1 << 16) for _ in range(193)]),
        "mac_pipeline.vectors": mac_vectors([(rng.randrange(256), rng.randrange(256), rng.randrange(1 << 16))
                                             for _ in range(200)]),
        "approx_div10.vectors": div10_vectors(range(0, 65536, 97)),
        "sat_accumulator.vectors": sat_vectors(sat_cases(100, saturating=False)),
        "clamp_scale_n7.vectors": vectors_text(
            "a offset en \\gain factor\\ lim : y neg \\sat flag\\",
            [([hex_field(a, 8), hex_field(o, 4), str(e), hex_field(g, 4), hex_field(lim, 7)],
              [hex_field(y, 8), str(n), str(s)]) for a, o, e, g, lim in clamp_scale_cases(7, 200)
             for y, n, s in [clamp_scale(a, o, e, g, lim)]]),
    }
    for name, text in files.items():
        (folder / name).write_text(text)


if __name__ == "__main__":
    write_all(sys.argv[1] if len(sys.argv) > 1 else ".")
