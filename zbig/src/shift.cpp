// Multiplication, division and remainder by powers of two, and the
// digit-wise logical operations on magnitudes.
#include "magnitude.h"

#include <algorithm>

namespace zbig
{

void shift_left(std::span<digit> out, std::span<const digit> a, uint64_t bits)
{
    const uint64_t whole = bits / digit_bits;
    const unsigned part = bits % digit_bits;
    const std::size_t n = out.size();
    const std::size_t low = static_cast<std::size_t>(std::min<uint64_t>(whole, n));
    std::fill(out.begin(), out.begin() + low, 0);
    // Digit i + whole takes the low bits of a[i] and the high bits of a[i-1].
    const std::size_t copy = std::min<std::size_t>(a.size(), n - low);
    digit* dst = out.data() + low;
    if (part == 0) {
        std::copy(a.begin(), a.begin() + copy, dst);
    } else {
        digit below = 0;
        for (std::size_t i = 0; i < copy; ++i) {
            dst[i] = ((a[i] << part) | (below >> (digit_bits - part))) & digit_mask;
            below = a[i];
        }
        if (low + copy < n) {
            dst[copy] = below >> (digit_bits - part);
            dst += 1;
        }
    }
    std::fill(dst + copy, out.data() + n, 0);
}

void shift_right(std::span<digit> out, std::span<const digit> a, uint64_t bits)
{
    const uint64_t whole = bits / digit_bits;
    const unsigned part = bits % digit_bits;
    const std::size_t n = out.size();
    const std::size_t avail = whole < a.size() ? a.size() - static_cast<std::size_t>(whole) : 0;
    const std::size_t count = std::min(n, avail);
    const digit* src = a.data() + (count > 0 ? whole : 0);
    // Ascending, reading ahead of the writes, so out may be a.
    if (part == 0) {
        for (std::size_t i = 0; i < count; ++i)
            out[i] = src[i];
    } else {
        for (std::size_t i = 0; i < count; ++i) {
            const digit above = i + 1 < avail ? src[i + 1] : 0;
            out[i] = ((src[i] >> part) | (above << (digit_bits - part))) & digit_mask;
        }
    }
    std::fill(out.begin() + count, out.end(), 0);
}

} // namespace zbig

using namespace zbig;

extern "C" ZBIG_API void mpz_mul_2exp(mpz_rec* p, const mpz_rec* q, uint32_t n)
{
    if (n == 0) {
        mpz_set(p, q);
        return;
    }
    // The value passes through a temporary of q.len + n / 30 digits, and one
    // more when a partial-digit shift follows.
    const std::size_t len = std::size_t(q->len) + n / digit_bits + (n % digit_bits != 0 ? 1 : 0);
    const int sign = q->sign;
    if (significant_length(digits_of(q)) == 0) {
        // Zero stays zero: only the stored length the copy would leave
        // matters, without building the long temporary.
        if (len > UINT32_MAX)
            fatal("_mpz_realloc: cannot allocate memory");
        const uint32_t keep = copied_length(p->len, static_cast<uint32_t>(len), 0);
        grow(p, keep);
        clear_value(p);
        p->len = keep;
        return;
    }
    result_digits res = begin_result(p, len, p != q);
    shift_left(res.span(), digits_of(q), n);
    store_result(p, res, sign);
}

extern "C" ZBIG_API void mpz_div_2exp(mpz_rec* p, const mpz_rec* q, uint32_t n)
{
    if (n == 0) {
        mpz_set(p, q);
        return;
    }
    // Temporary of q.len - n / 30 digits (at least 2); a whole-digit shift at
    // or beyond the stored length leaves nothing.
    const uint32_t whole = n / digit_bits;
    const std::size_t len = whole < q->len ? q->len - whole : 0;
    const int sign = q->sign;
    result_digits res = begin_result(p, len, true);
    shift_right(res.span(), digits_of(q), n);
    store_result(p, res, sign);
}

extern "C" ZBIG_API void mpz_mod_2exp(mpz_rec* p, const mpz_rec* q, uint32_t n)
{
    if (n == 0) {
        mpz_set_ui(p, 0);
        return;
    }
    const uint32_t whole = n / digit_bits;
    const unsigned part = n % digit_bits;
    if (whole > q->len || (whole == q->len && part > 0)) {
        mpz_set(p, q);
        return;
    }
    const std::size_t keep = whole + (part > 0 ? 1 : 0);
    const int sign = q->sign;
    const std::span<const digit> src = digits_of(q);
    result_digits res = begin_result(p, keep, true);
    for (std::size_t i = 0; i < res.len; ++i) {
        if (i < whole)
            res.data[i] = src[i];
        else if (i == whole && part > 0)
            res.data[i] = src[i] & ((digit(1) << part) - 1);
        else
            res.data[i] = 0;
    }
    store_result(p, res, sign);
}

namespace
{

template <typename Op>
void bitwise(mpz_rec* p, const mpz_rec* q, const mpz_rec* r, Op op, bool negative)
{
    const uint32_t m = std::max(q->len, r->len);
    // Growing p may move q's or r's array when p is one of them, so the
    // operands are read through their records afterwards; every digit i of
    // the inputs is read before digit i of p is written.
    grow(p, m);
    for (uint32_t i = 0; i < m; ++i) {
        const digit x = i < q->len ? digit(q->digits[i]) : 0;
        const digit y = i < r->len ? digit(r->digits[i]) : 0;
        p->digits[i] = static_cast<int32_t>(op(x, y));
    }
    p->sign = negative ? -1 : 1;
    zero_test(p);
}

} // namespace

extern "C" ZBIG_API void mpz_and(mpz_rec* p, const mpz_rec* q, const mpz_rec* r)
{
    const bool qn = q->sign < 0, rn = r->sign < 0;
    bitwise(
        p, q, r, [](digit x, digit y) { return x & y; }, qn && rn);
}

extern "C" ZBIG_API void mpz_or(mpz_rec* p, const mpz_rec* q, const mpz_rec* r)
{
    const bool qn = q->sign < 0, rn = r->sign < 0;
    bitwise(
        p, q, r, [](digit x, digit y) { return x | y; }, qn || rn);
}

extern "C" ZBIG_API void mpz_xor(mpz_rec* p, const mpz_rec* q, const mpz_rec* r)
{
    const bool qn = q->sign < 0, rn = r->sign < 0;
    bitwise(
        p, q, r, [](digit x, digit y) { return x ^ y; }, qn != rn);
}
