// Addition and subtraction of signed values.
#include "magnitude.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zbig
{

namespace
{

// Sums and differences of digit pairs are formed four lanes at a time; each
// lane's carry (or borrow) moves one lane up at once. A lane can only
// overflow again when it held 2^30 - 1 and received a carry, which random
// data almost never does; a sequential pass settles those rare ripples.
#if defined(__SSE2__)
inline __m128i load(const digit* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline void store(digit* p, __m128i v)
{
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}
// The carries of the previous block's top lane and this block's lanes 0-2.
inline __m128i carries_up(__m128i c, __m128i previous)
{
    return _mm_or_si128(_mm_slli_si128(c, 4), _mm_srli_si128(previous, 12));
}
#endif

// out[0, n) = a + b lane by lane with one-step carries; returns the carry
// out of digit n - 1 and sets `ripple` when some digit reached 2^30.
digit add_lanes(digit* out, const digit* a, const digit* b, std::size_t n, bool& ripple)
{
    std::size_t i = 0;
    digit carry = 0;
#if defined(__SSE2__)
    const __m128i mask = _mm_set1_epi32(digit_mask);
    __m128i previous = _mm_setzero_si128(), overflow = _mm_setzero_si128();
    for (; i + 4 <= n; i += 4) {
        const __m128i s = _mm_add_epi32(load(a + i), load(b + i));
        const __m128i c = _mm_srli_epi32(s, digit_bits);
        const __m128i v = _mm_add_epi32(_mm_and_si128(s, mask), carries_up(c, previous));
        overflow = _mm_or_si128(overflow, v);
        store(out + i, v);
        previous = c;
    }
    carry = static_cast<digit>(_mm_cvtsi128_si32(_mm_srli_si128(previous, 12)));
    ripple = _mm_movemask_epi8(_mm_cmpeq_epi32(_mm_srli_epi32(overflow, digit_bits),
                                               _mm_setzero_si128())) != 0xffff;
#else
    ripple = false;
#endif
    for (; i < n; ++i) {
        const digit t = a[i] + b[i] + carry;
        out[i] = t & digit_mask;
        carry = t >> digit_bits;
    }
    return carry;
}

// Some lane of add_lanes reached 2^30 (or one of sub_lanes went below
// zero): settles the one-step carries (borrows) in order and returns the
// carry (borrow) out of digit n - 1.
template <bool Subtract> digit settle(digit* out, std::size_t n)
{
    digit c = 0;
    for (std::size_t j = 0; j < n; ++j) {
        const digit t = Subtract ? out[j] - c : out[j] + c;
        out[j] = t & digit_mask;
        c = t >> (Subtract ? 31 : digit_bits);
    }
    return c;
}

// As add_lanes for a - b: a lane may end at -1 (all bits set), which the
// sequential pass turns into a borrow.
digit sub_lanes(digit* out, const digit* a, const digit* b, std::size_t n, bool& ripple)
{
    std::size_t i = 0;
    digit borrow = 0;
#if defined(__SSE2__)
    const __m128i mask = _mm_set1_epi32(digit_mask);
    __m128i previous = _mm_setzero_si128(), overflow = _mm_setzero_si128();
    for (; i + 4 <= n; i += 4) {
        const __m128i d = _mm_sub_epi32(load(a + i), load(b + i));
        const __m128i c = _mm_srli_epi32(d, 31);
        const __m128i v = _mm_sub_epi32(_mm_and_si128(d, mask), carries_up(c, previous));
        overflow = _mm_or_si128(overflow, v);
        store(out + i, v);
        previous = c;
    }
    borrow = static_cast<digit>(_mm_cvtsi128_si32(_mm_srli_si128(previous, 12)));
    ripple = _mm_movemask_epi8(_mm_cmpeq_epi32(_mm_srli_epi32(overflow, digit_bits),
                                               _mm_setzero_si128())) != 0xffff;
#else
    ripple = false;
#endif
    for (; i < n; ++i) {
        const digit t = a[i] - b[i] - borrow;
        out[i] = t & digit_mask;
        borrow = t >> 31;
    }
    return borrow;
}

} // namespace

digit add_magnitudes(std::span<digit> out, std::span<const digit> a, std::span<const digit> b)
{
    if (a.size() < b.size())
        std::swap(a, b);
    digit carry = 0;
    std::size_t i = 0;
    if (b.size() < 8) {
        // Short operands: the lanes would cost more than they save.
        for (; i < b.size(); ++i) {
            const digit t = a[i] + b[i] + carry;
            out[i] = t & digit_mask;
            carry = t >> digit_bits;
        }
    } else {
        bool ripple = false;
        carry = add_lanes(out.data(), a.data(), b.data(), b.size(), ripple);
        if (ripple)
            carry += settle<false>(out.data(), b.size());
        i = b.size();
    }
    for (; i < a.size() && carry != 0; ++i) {
        const digit t = a[i] + carry;
        out[i] = t & digit_mask;
        carry = t >> digit_bits;
    }
    if (out.data() != a.data())
        for (; i < a.size(); ++i)
            out[i] = a[i];
    i = a.size();
    if (i == out.size())
        return carry;
    out[i++] = carry;
    for (; i < out.size(); ++i)
        out[i] = 0;
    return 0;
}

void sub_magnitudes(std::span<digit> out, std::span<const digit> a, std::span<const digit> b)
{
    // a >= b, so b's digits at or beyond a's length are zero and the final
    // borrow is zero. An unsigned wrap below zero sets bit 31 and leaves the
    // digit plus 2^30 in the low 30 bits.
    const std::size_t common = std::min(a.size(), b.size());
    digit borrow = 0;
    if (common < 8) {
        for (std::size_t i = 0; i < common; ++i) {
            const digit t = a[i] - b[i] - borrow;
            out[i] = t & digit_mask;
            borrow = t >> 31;
        }
    } else {
        bool ripple = false;
        borrow = sub_lanes(out.data(), a.data(), b.data(), common, ripple);
        if (ripple)
            borrow += settle<true>(out.data(), common);
    }
    std::size_t i = common;
    const std::size_t n = std::min(a.size(), out.size());
    for (; i < n && borrow != 0; ++i) {
        const digit t = a[i] - borrow;
        out[i] = t & digit_mask;
        borrow = t >> 31;
    }
    if (out.data() != a.data())
        for (; i < n; ++i)
            out[i] = a[i];
    for (i = n; i < out.size(); ++i)
        out[i] = 0;
}

} // namespace zbig

using namespace zbig;

namespace
{

// The steps of a short sum are few; a call between them would cost as much.
#if defined(__GNUC__)
#define ZBIG_ALWAYS_INLINE inline __attribute__((always_inline))
#else
#define ZBIG_ALWAYS_INLINE inline
#endif

// out[from, to) = a[from, to): the digits of the longer operand above the
// carry. Masking them (a no-op on digits) keeps compilers from making this a
// call to memmove, whose start-up costs more than the few digits of a short
// tail; the loop still runs without a carry chain.
inline void copy_digits(digit* __restrict out, const digit* __restrict a, std::size_t from,
                        std::size_t to)
{
    for (std::size_t i = from; i < to; ++i)
        out[i] = a[i] & digit_mask;
}

// out[0, na) = a + b, or a - b when Subtract, for na >= nb; returns the
// carry (or borrow) out of digit na - 1. Each digit of a and b is read before
// out's digit of that index is written, so out may be a or b.
template <bool Subtract>
ZBIG_ALWAYS_INLINE digit combine_digits(digit* out, const digit* a, std::size_t na, const digit* b,
                                        std::size_t nb)
{
    // A sum carries at bit 30; a difference that wraps below zero sets bit
    // 31 and leaves the digit plus 2^30 in the low 30 bits.
    constexpr unsigned carry_bit = Subtract ? 31 : digit_bits;
    digit carry = 0;
    std::size_t i = 0;
    if (nb >= 8) {
        // From eight digits on, lanes without a carry chain are faster.
        bool ripple = false;
        if constexpr (Subtract) {
            carry = sub_lanes(out, a, b, nb, ripple);
            if (ripple)
                carry += settle<true>(out, nb);
        } else {
            carry = add_lanes(out, a, b, nb, ripple);
            if (ripple)
                carry += settle<false>(out, nb);
        }
        i = nb;
    }
    for (; i < nb; ++i) {
        const digit t = Subtract ? a[i] - b[i] - carry : a[i] + b[i] + carry;
        out[i] = t & digit_mask;
        carry = t >> carry_bit;
    }
    for (; i < na && carry != 0; ++i) {
        const digit t = Subtract ? a[i] - carry : a[i] + carry;
        out[i] = t & digit_mask;
        carry = t >> carry_bit;
    }
    if (out != a)
        copy_digits(out, a, i, na);
    return carry;
}

// p = a + b for significant lengths na >= nb >= 1, into p's own array when
// it has room for na digits. Each digit of a and b is read before p's digit
// of that index is written, so p may be q or r.
ZBIG_ALWAYS_INLINE void add_same_sign(mpz_rec* p, const digit* a, std::size_t na, const digit* b,
                                      std::size_t nb, uint32_t temp_len, int sign)
{
    if (p->digits == nullptr || p->len < na) {
        result_digits res = begin_result(p, temp_len, na + 1, true);
        add_magnitudes(res.span(), {a, na}, {b, nb});
        store_result(p, res, sign);
        return;
    }
    digit* out = reinterpret_cast<digit*>(p->digits);
    const digit carry = combine_digits<false>(out, a, na, b, nb);
    // Without a carry the top digit is at least a's, which is nonzero (or
    // both operands were records of sign +-1 holding zero digits).
    if (carry == 0) {
        finish_in_place(p, na, na, temp_len, sign);
    } else if (p->len > na) {
        out[na] = carry;
        finish_in_place(p, na + 1, na + 1, temp_len, sign);
    } else {
        // p had room for the operands' digits but not for the carry, which
        // is rare: make room now.
        result_digits res{out, temp_len, static_cast<uint32_t>(na)};
        append_digit(p, res, carry);
        store_result(p, res, sign);
    }
}

// p = a - b for a > b, significant lengths na >= nb >= 1; aliasing as
// add_same_sign.
ZBIG_ALWAYS_INLINE void subtract_smaller(mpz_rec* p, const digit* a, std::size_t na, const digit* b,
                                         std::size_t nb, uint32_t temp_len, int sign)
{
    if (p->digits == nullptr || p->len < na) {
        result_digits res = begin_result(p, temp_len, na, true);
        sub_magnitudes(res.span(), {a, na}, {b, nb});
        store_result(p, res, sign);
        return;
    }
    digit* out = reinterpret_cast<digit*>(p->digits);
    combine_digits<true>(out, a, na, b, nb); // a > b: no borrow out of the top
    std::size_t k = na;
    while (out[k - 1] == 0)
        --k; // a > b, so some digit is nonzero
    finish_in_place(p, na, k, temp_len, sign);
}

std::size_t significant_length_of(const mpz_rec* x)
{
    const int32_t* d = x->digits;
    std::size_t n = x->len;
    while (n > 0 && d[n - 1] == 0)
        --n;
    return n;
}

// p = q + r, where r's sign is taken as rs: mpz_sub adds r negated. The sum
// passes through a temporary of max(q.len, r.len) + 1 digits, a difference
// through one of the larger operand's length; only the significant digits
// are computed and the copy rule of mpz_set fills in the rest.
ZBIG_ALWAYS_INLINE void add_signed(mpz_rec* p, const mpz_rec* q, const mpz_rec* r, int rs)
{
    const int qs = q->sign;
    const std::size_t nq = significant_length_of(q), nr = significant_length_of(r);
    if (qs == 0 || rs == 0 || nq == 0 || nr == 0) {
        // A zero operand: the result is a copy of the other.
        if (qs == 0) {
            const mpz_rec negated{r->digits, static_cast<int16_t>(rs), r->len};
            mpz_set(p, r->sign == rs ? r : &negated);
            return;
        }
        if (rs == 0) {
            mpz_set(p, q);
            return;
        }
    }
    const digit* qd = reinterpret_cast<const digit*>(q->digits);
    const digit* rd = reinterpret_cast<const digit*>(r->digits);
    if (qs == rs) {
        const uint32_t temp_len = (q->len > r->len ? q->len : r->len) + 1;
        if (nq >= nr)
            add_same_sign(p, qd, nq, rd, nr, temp_len, qs);
        else
            add_same_sign(p, rd, nr, qd, nq, temp_len, qs);
        return;
    }
    int order = nq > nr ? 1 : nq < nr ? -1 : 0;
    std::size_t n = nq;
    // Equal lengths: the highest differing digit decides, and the digits
    // above it cancel.
    while (order == 0 && n > 0) {
        --n;
        if (qd[n] != rd[n])
            order = qd[n] > rd[n] ? 1 : -1;
    }
    if (order == 0) {
        result_digits res = begin_result(p, 2, 0, true);
        store_result(p, res, 0);
    } else if (order > 0) {
        subtract_smaller(p, qd, nq, rd, nr, q->len, qs);
    } else {
        subtract_smaller(p, rd, nr, qd, nq, r->len, rs);
    }
}

} // namespace

extern "C" ZBIG_API void mpz_add(mpz_rec* p, const mpz_rec* q, const mpz_rec* r)
{
    add_signed(p, q, r, r->sign);
}

extern "C" ZBIG_API void mpz_add_ui(mpz_rec* p, const mpz_rec* q, uint32_t u)
{
    small_record t(u);
    mpz_add(p, q, t.get());
}

extern "C" ZBIG_API void mpz_sub(mpz_rec* p, const mpz_rec* q, const mpz_rec* r)
{
    add_signed(p, q, r, -r->sign);
}

extern "C" ZBIG_API void mpz_sub_ui(mpz_rec* p, const mpz_rec* q, uint32_t u)
{
    small_record t(u);
    mpz_sub(p, q, t.get());
}
