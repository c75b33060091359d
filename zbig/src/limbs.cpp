// Regrouping between 30-bit digits and 64-bit limbs, and the linear limb
// loops the multiplication and division kernels share.
#include "limbs.h"

#include "zbig.h"

#include <cstdlib>
#include <cstring>
#include <utility>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace zbig
{

namespace
{

// 32 digits (960 bits) are exactly 15 limbs: whole groups are regrouped with
// shifts known at compile time, the remainder bit by bit.
constexpr std::size_t group_digits = 32, group_limbs = 15;

template <std::size_t K> inline limb limb_of_group(const digit* d)
{
    constexpr std::size_t bit = 64 * K, j = bit / 30, off = bit % 30;
    limb v = (limb(d[j]) >> off) | (limb(d[j + 1]) << (30 - off)) | (limb(d[j + 2]) << (60 - off));
    if constexpr (90 - off < 64)
        v |= limb(d[j + 3]) << (90 - off);
    return v;
}

template <std::size_t I> inline digit digit_of_group(const limb* l)
{
    constexpr std::size_t bit = 30 * I, k = bit / 64, off = bit % 64;
    limb v = l[k] >> off;
    if constexpr (off > 34)
        v |= l[k + 1] << (64 - off);
    return digit(v) & digit_mask;
}

template <std::size_t... K>
inline void pack_group(limb* out, const digit* d, std::index_sequence<K...>)
{
    ((out[K] = limb_of_group<K>(d)), ...);
}

template <std::size_t... I>
inline void unpack_group(digit* out, const limb* l, std::index_sequence<I...>)
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
    for (; i + group_digits <= out.size() && next + group_limbs <= l.size();
         i += group_digits, next += group_limbs)
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

limb* allocate_limbs(std::size_t n, const char* message)
{
    void* p = n > SIZE_MAX / sizeof(limb) ? nullptr : std::malloc((n ? n : 1) * sizeof(limb));
    if (p == nullptr)
        fatal(message);
    return static_cast<limb*>(p);
}

void release_limbs(limb* p)
{
    std::free(p);
}

limb limbs_add(limb* r, const limb* a, std::size_t an, const limb* b, std::size_t bn)
{
    std::size_t i = 0;
#if defined(__x86_64__)
    // The carry flag chains through adc: one limb per cycle.
    unsigned char carry = 0;
    unsigned long long s0, s1, s2, s3;
    for (; i + 4 <= bn; i += 4) {
        carry = _addcarry_u64(carry, a[i], b[i], &s0);
        carry = _addcarry_u64(carry, a[i + 1], b[i + 1], &s1);
        carry = _addcarry_u64(carry, a[i + 2], b[i + 2], &s2);
        carry = _addcarry_u64(carry, a[i + 3], b[i + 3], &s3);
        r[i] = s0;
        r[i + 1] = s1;
        r[i + 2] = s2;
        r[i + 3] = s3;
    }
    for (; i < bn; ++i) {
        carry = _addcarry_u64(carry, a[i], b[i], &s0);
        r[i] = s0;
    }
    limb c = carry;
#else
    limb c = 0;
    for (; i < bn; ++i) {
        const wide s = wide(a[i]) + b[i] + c;
        r[i] = limb(s);
        c = limb(s >> 64);
    }
#endif
    for (; i < an; ++i) {
        const limb s = a[i] + c;
        c = s < c;
        r[i] = s;
    }
    return c;
}

limb limbs_sub(limb* r, const limb* a, std::size_t an, const limb* b, std::size_t bn)
{
    std::size_t i = 0;
#if defined(__x86_64__)
    unsigned char borrow = 0;
    unsigned long long d0, d1, d2, d3;
    for (; i + 4 <= bn; i += 4) {
        borrow = _subborrow_u64(borrow, a[i], b[i], &d0);
        borrow = _subborrow_u64(borrow, a[i + 1], b[i + 1], &d1);
        borrow = _subborrow_u64(borrow, a[i + 2], b[i + 2], &d2);
        borrow = _subborrow_u64(borrow, a[i + 3], b[i + 3], &d3);
        r[i] = d0;
        r[i + 1] = d1;
        r[i + 2] = d2;
        r[i + 3] = d3;
    }
    for (; i < bn; ++i) {
        borrow = _subborrow_u64(borrow, a[i], b[i], &d0);
        r[i] = d0;
    }
    limb bw = borrow;
#else
    limb bw = 0;
    for (; i < bn; ++i) {
        const limb x = a[i], y = b[i];
        r[i] = x - y - bw;
        bw = (x < y) | ((x == y) & bw);
    }
#endif
    for (; i < an; ++i) {
        const limb x = a[i];
        r[i] = x - bw;
        bw = x < bw;
    }
    return bw;
}

int limbs_cmp(const limb* a, const limb* b, std::size_t n)
{
    while (n-- > 0)
        if (a[n] != b[n])
            return a[n] < b[n] ? -1 : 1;
    return 0;
}

limb limbs_addmul_1_portable(limb* r, const limb* a, std::size_t n, limb m)
{
    limb carry = 0;
    std::size_t i = 0;
    // Four products are formed before their sums: the multiplications do not
    // wait on the carry chain.
    for (; i + 4 <= n; i += 4) {
        const wide p0 = wide(a[i]) * m, p1 = wide(a[i + 1]) * m, p2 = wide(a[i + 2]) * m,
                   p3 = wide(a[i + 3]) * m;
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

namespace
{

#if defined(__x86_64__) && defined(__GNUC__)
// The row multiply-add with two independent carry chains (adcx adds the
// previous product's high half, adox the existing limb), which the
// multiplication kernels spend most of their time in. Needs BMI2 and ADX.
limb addmul_1_adx(limb* r, const limb* a, std::size_t n, limb m)
{
    const limb* a_end = a + n;
    limb* r_end = r + n;
    long idx = -static_cast<long>(n); // counts up to zero: jrcxz leaves the flags alone
    limb lo, hi, prev, zero;
    __asm__("xor %k[prev], %k[prev]\n\t"
            "test $1, %b[i]\n\t"
            "jz 1f\n\t"
            "mulx (%[ae],%[i],8), %[lo], %[prev]\n\t"
            "add (%[re],%[i],8), %[lo]\n\t"
            "mov %[lo], (%[re],%[i],8)\n\t"
            "adc $0, %[prev]\n\t"
            "lea 1(%[i]), %[i]\n\t"
            "xor %k[lo], %k[lo]\n\t" // clear CF and OF for the paired loop
            "jrcxz 2f\n\t"
            "1:\n\t"
            "mulx (%[ae],%[i],8), %[lo], %[hi]\n\t"
            "adcx %[prev], %[lo]\n\t"
            "adox (%[re],%[i],8), %[lo]\n\t"
            "mov %[lo], (%[re],%[i],8)\n\t"
            "mulx 8(%[ae],%[i],8), %[lo], %[prev]\n\t"
            "adcx %[hi], %[lo]\n\t"
            "adox 8(%[re],%[i],8), %[lo]\n\t"
            "mov %[lo], 8(%[re],%[i],8)\n\t"
            "lea 2(%[i]), %[i]\n\t"
            "jrcxz 2f\n\t"
            "jmp 1b\n\t"
            "2:\n\t"
            "mov $0, %k[zero]\n\t"
            "adcx %[zero], %[prev]\n\t"
            "adox %[zero], %[prev]\n\t"
            : [i] "+c"(idx), [lo] "=&r"(lo), [hi] "=&r"(hi), [prev] "=&r"(prev), [zero] "=&r"(zero)
            : [ae] "r"(a_end), [re] "r"(r_end), "d"(m)
            : "cc", "memory");
    return prev;
}

// 1 when the processor has BMI2 and ADX, 0 when not, -1 before the first
// look (cpuid is slow under virtualisation, so it is asked once).
int adx_available = -1;

bool has_adx()
{
    if (adx_available < 0) {
        unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
        __asm__("cpuid" : "=a"(eax), "=b"(ebx), "=c"(ecx), "=d"(edx) : "a"(0), "c"(0));
        const unsigned max_leaf = eax;
        ebx = 0;
        if (max_leaf >= 7)
            __asm__("cpuid" : "=a"(eax), "=b"(ebx), "=c"(ecx), "=d"(edx) : "a"(7), "c"(0));
        adx_available = (ebx & (1u << 8)) && (ebx & (1u << 19)) ? 1 : 0;
    }
    return adx_available == 1;
}
#endif

} // namespace

limb limbs_addmul_1(limb* r, const limb* a, std::size_t n, limb m)
{
#if defined(__x86_64__) && defined(__GNUC__)
    if (n > 0 && has_adx())
        return addmul_1_adx(r, a, n, m);
#endif
    return limbs_addmul_1_portable(r, a, n, m);
}

limb limbs_submul_1(limb* r, const limb* a, std::size_t n, limb m)
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
