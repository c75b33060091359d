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
        if (ripple) {
            // Some lane reached 2^30: settle the one-step carries in order.
            digit c = 0;
            for (std::size_t j = 0; j < b.size(); ++j) {
                const digit t = out[j] + c;
                out[j] = t & digit_mask;
                c = t >> digit_bits;
            }
            carry += c;
        }
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
        if (ripple) {
            digit c = 0;
            for (std::size_t i = 0; i < common; ++i) {
                const digit t = out[i] - c;
                out[i] = t & digit_mask;
                c = t >> 31;
            }
            borrow += c;
        }
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

extern "C" ZBIG_API void mpz_add(mpz_rec* p, const mpz_rec* q, const mpz_rec* r)
{
    if (q->sign == 0) {
        mpz_set(p, r);
        return;
    }
    if (r->sign == 0) {
        mpz_set(p, q);
        return;
    }
    const int qs = q->sign, rs = r->sign;
    const std::span<const digit> qd = significant_digits(q), rd = significant_digits(r);
    // The sum passes through a temporary of max(q.len, r.len) + 1 digits; a
    // difference through one of the larger operand's length. Only the
    // significant digits are computed; the copy rule fills in the rest.
    if (qs == rs) {
        const std::size_t n = std::max(qd.size(), rd.size());
        const std::size_t len = std::max(q->len, r->len) + std::size_t(1);
        if (n == p->len && p->digits != nullptr) {
            // p has room for the digits of the operands but not for a carry
            // out of them, which is rare: compute in place and make room
            // only when the carry comes.
            result_digits res = begin_result(p, len, n, true);
            const digit carry = add_magnitudes(res.span(), qd, rd);
            if (carry != 0)
                append_digit(p, res, carry);
            store_result(p, res, qs);
            return;
        }
        result_digits res = begin_result(p, len, n + 1, true);
        add_magnitudes(res.span(), qd, rd);
        store_result(p, res, qs);
        return;
    }
    const int c = compare_magnitudes(qd, rd);
    if (c == 0) {
        result_digits res = begin_result(p, 2, 0, true);
        store_result(p, res, 0);
    } else if (c > 0) {
        result_digits res = begin_result(p, q->len, qd.size(), true);
        sub_magnitudes(res.span(), qd, rd);
        store_result(p, res, qs);
    } else {
        result_digits res = begin_result(p, r->len, rd.size(), true);
        sub_magnitudes(res.span(), rd, qd);
        store_result(p, res, rs);
    }
}

extern "C" ZBIG_API void mpz_add_ui(mpz_rec* p, const mpz_rec* q, uint32_t u)
{
    small_record t(u);
    mpz_add(p, q, t.get());
}

extern "C" ZBIG_API void mpz_sub(mpz_rec* p, const mpz_rec* q, const mpz_rec* r)
{
    // Adds a negated copy of r; the copy has r's stored length, so a view of
    // r's digits with the opposite sign behaves the same.
    const mpz_rec negated{r->digits, static_cast<int16_t>(-r->sign), r->len};
    mpz_add(p, q, &negated);
}

extern "C" ZBIG_API void mpz_sub_ui(mpz_rec* p, const mpz_rec* q, uint32_t u)
{
    small_record t(u);
    mpz_sub(p, q, t.get());
}
