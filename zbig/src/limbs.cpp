// Regrouping between 30-bit digits and 64-bit limbs, and the linear limb
// loops the multiplication and division kernels share.
#include "limbs.h"

#include <cstdlib>
#include <cstring>
#include <utility>

namespace zbig {

namespace {

// 32 digits (960 bits) are exactly 15 limbs: whole groups are regrouped with
// shifts known at compile time, the remainder bit by bit.
constexpr std::size_t group_digits = 32, group_limbs = 15;

template <std::size_t K>
inline limb limb_of_group(const digit *d)
{
    constexpr std::size_t bit = 64 * K, j = bit / 30, off = bit % 30;
    limb v = (limb(d[j]) >> off) | (limb(d[j + 1]) << (30 - off)) | (limb(d[j + 2]) << (60 - off));
    if constexpr (90 - off < 64)
        v |= limb(d[j + 3]) << (90 - off);
    return v;
}

template <std::size_t I>
inline digit digit_of_group(const limb *l)
{
    constexpr std::size_t bit = 30 * I, k = bit / 64, off = bit % 64;
    limb v = l[k] >> off;
    if constexpr (off > 34)
        v |= l[k + 1] << (64 - off);
    return digit(v) & digit_mask;
}

template <std::size_t... K>
inline void pack_group(limb *out, const digit *d, std::index_sequence<K...>)
{
    ((out[K] = limb_of_group<K>(d)), ...);
}

template <std::size_t... I>
inline void unpack_group(digit *out, const limb *l, std::index_sequence<I...>)
{
    ((out[I] = digit_of_group<I>(l)), ...);
}

} // namespace

void pack_limbs(std::span<limb> out, std::span<const digit> d)
{
    std::size_t o = 0, i = 0;
    for (; i + group_digits <= d.size(); i += group_digits, o += group_limbs)
        pack_group(out.data() + o, d.data() + i, std::make_index_sequence<group_limbs>());
    limb acc = 0;
    unsigned have = 0; // bits of acc already filled, always < 64
    for (; i < d.size(); ++i) {
        const digit v = d[i];
        acc |= limb(v) << have;
        if (have + digit_bits >= 64) {
            out[o++] = acc;
            const unsigned used = 64 - have; // bits of v that fitted, 1 to 30
            acc = limb(v) >> used;
            have = have + digit_bits - 64;
        } else {
            have += digit_bits;
        }
    }
    if (have > 0)
        out[o++] = acc;
    for (; o < out.size(); ++o)
        out[o] = 0;
}

void unpack_limbs(std::span<digit> out, std::span<const limb> l)
{
    std::size_t i = 0, next = 0;
    for (; i + group_digits <= out.size() && next + group_limbs <= l.size(); i += group_digits, next += group_limbs)
        unpack_group(out.data() + i, l.data() + next, std::make_index_sequence<group_digits>());
    limb acc = 0;
    unsigned have = 0; // valid bits in acc
    for (; i < out.size(); ++i) {
        if (have >= digit_bits) {
            out[i] = digit(acc) & digit_mask;
            acc >>= digit_bits;
            have -= digit_bits;
            continue;
        }
        if (next == l.size()) {
            out[i] = digit(acc);
            for (++i; i < out.size(); ++i)
                out[i] = 0;
            return;
        }
        const limb w = l[next++];
        // The digit takes the `have` bits left in acc and 30 - have bits of w.
        out[i] = digit(acc | (w << have)) & digit_mask;
        const unsigned taken = digit_bits - have;
        acc = w >> taken;
        have = 64 - taken;
    }
}

limb *allocate_limbs(std::size_t n, const char *message)
{
    void *p = n > SIZE_MAX / sizeof(limb) ? nullptr : std::malloc((n ? n : 1) * sizeof(limb));
    if (p == nullptr)
        fatal(message);
    return static_cast<limb *>(p);
}

void release_limbs(limb *p) { std::free(p); }

limb limbs_add(limb *r, const limb *a, std::size_t an, const limb *b, std::size_t bn)
{
    limb carry = 0;
    std::size_t i = 0;
    for (; i < bn; ++i) {
        const wide s = wide(a[i]) + b[i] + carry;
        r[i] = limb(s);
        carry = limb(s >> 64);
    }
    for (; i < an; ++i) {
        const limb s = a[i] + carry;
        carry = s < carry;
        r[i] = s;
    }
    return carry;
}

limb limbs_sub(limb *r, const limb *a, std::size_t an, const limb *b, std::size_t bn)
{
    limb borrow = 0;
    std::size_t i = 0;
    for (; i < bn; ++i) {
        const limb x = a[i], y = b[i];
        const limb d = x - y - borrow;
        borrow = (x < y) | ((x == y) & borrow);
        r[i] = d;
    }
    for (; i < an; ++i) {
        const limb x = a[i];
        r[i] = x - borrow;
        borrow = x < borrow;
    }
    return borrow;
}

int limbs_cmp(const limb *a, const limb *b, std::size_t n)
{
    while (n-- > 0)
        if (a[n] != b[n])
            return a[n] < b[n] ? -1 : 1;
    return 0;
}

limb limbs_addmul_1(limb *r, const limb *a, std::size_t n, limb m)
{
    limb carry = 0;
    std::size_t i = 0;
    // Four products are formed before their sums: the multiplications do not
    // wait on the carry chain.
    for (; i + 4 <= n; i += 4) {
        const wide p0 = wide(a[i]) * m, p1 = wide(a[i + 1]) * m, p2 = wide(a[i + 2]) * m, p3 = wide(a[i + 3]) * m;
        wide t = p0 + r[i] + carry;
        r[i] = limb(t);
        t = p1 + r[i + 1] + limb(t >> 64);
        r[i + 1] = limb(t);
        t = p2 + r[i + 2] + limb(t >> 64);
        r[i + 2] = limb(t);
        t = p3 + r[i + 3] + limb(t >> 64);
        r[i + 3] = limb(t);
        carry = limb(t >> 64);
    }
    for (; i < n; ++i) {
        const wide t = wide(a[i]) * m + r[i] + carry;
        r[i] = limb(t);
        carry = limb(t >> 64);
    }
    return carry;
}

limb limbs_submul_1(limb *r, const limb *a, std::size_t n, limb m)
{
    limb borrow = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const wide t = wide(a[i]) * m + borrow;
        const limb lo = limb(t);
        const limb x = r[i];
        r[i] = x - lo;
        borrow = limb(t >> 64) + (x < lo);
    }
    return borrow;
}

} // namespace zbig
