// Addition and subtraction of signed values.
#include "magnitude.h"

#include <algorithm>

namespace zbig {

void add_magnitudes(std::span<digit> out, std::span<const digit> a, std::span<const digit> b)
{
    if (a.size() < b.size())
        std::swap(a, b);
    digit carry = 0;
    std::size_t i = 0;
    for (; i < b.size(); ++i) {
        const digit t = a[i] + b[i] + carry;
        out[i] = t & digit_mask;
        carry = t >> digit_bits;
    }
    for (; i < a.size(); ++i) {
        const digit t = a[i] + carry;
        out[i] = t & digit_mask;
        carry = t >> digit_bits;
    }
    if (i < out.size())
        out[i++] = carry;
    std::fill(out.begin() + i, out.end(), 0);
}

void sub_magnitudes(std::span<digit> out, std::span<const digit> a, std::span<const digit> b)
{
    // a >= b, so b's digits at or beyond a's length are zero and the final
    // borrow is zero. An unsigned wrap below zero sets bit 31 and leaves the
    // digit plus 2^30 in the low 30 bits.
    const std::size_t common = std::min(a.size(), b.size());
    digit borrow = 0;
    std::size_t i = 0;
    for (; i < common; ++i) {
        const digit t = a[i] - b[i] - borrow;
        out[i] = t & digit_mask;
        borrow = t >> 31;
    }
    for (; i < a.size() && i < out.size(); ++i) {
        const digit t = a[i] - borrow;
        out[i] = t & digit_mask;
        borrow = t >> 31;
    }
    std::fill(out.begin() + i, out.end(), 0);
}

} // namespace zbig

using namespace zbig;

extern "C" ZBIG_API void mpz_add(mpz_rec *p, const mpz_rec *q, const mpz_rec *r)
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
    const std::span<const digit> qd = digits_of(q), rd = digits_of(r);
    // The sum passes through a temporary of max(q.len, r.len) + 1 digits; a
    // difference through one of the larger operand's length.
    if (qs == rs) {
        result_digits res = begin_result(p, std::max(q->len, r->len) + std::size_t(1), true);
        add_magnitudes(res.span(), qd, rd);
        store_result(p, res, qs);
        return;
    }
    const int c = compare_magnitudes(qd, rd);
    if (c == 0) {
        result_digits res = begin_result(p, 2, true);
        std::fill(res.data, res.data + res.len, 0);
        store_result(p, res, 0);
    } else if (c > 0) {
        result_digits res = begin_result(p, q->len, true);
        sub_magnitudes(res.span(), qd, rd);
        store_result(p, res, qs);
    } else {
        result_digits res = begin_result(p, r->len, true);
        sub_magnitudes(res.span(), rd, qd);
        store_result(p, res, rs);
    }
}

extern "C" ZBIG_API void mpz_add_ui(mpz_rec *p, const mpz_rec *q, uint32_t u)
{
    small_record t(u);
    mpz_add(p, q, t.get());
}

extern "C" ZBIG_API void mpz_sub(mpz_rec *p, const mpz_rec *q, const mpz_rec *r)
{
    // Adds a negated copy of r; the copy has r's stored length, so a view of
    // r's digits with the opposite sign behaves the same.
    const mpz_rec negated{r->digits, static_cast<int16_t>(-r->sign), r->len};
    mpz_add(p, q, &negated);
}

extern "C" ZBIG_API void mpz_sub_ui(mpz_rec *p, const mpz_rec *q, uint32_t u)
{
    small_record t(u);
    mpz_sub(p, q, t.get());
}
