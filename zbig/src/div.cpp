// The truncating and floor division operations on records.
#include "magnitude.h"

#include <algorithm>
#include <bit>

using namespace zbig;

namespace
{

// Quotient and remainder magnitudes of |a| / |b| for b != 0, each standing for
// the temporary the division leaves them in: the quotient's has max(2, n)
// digits, n the significant length of |a| normalised (shifted left until the
// divisor's top digit has bit 29 set); the remainder's has the divisor's
// stored length, or the normalised dividend's when that is shorter.
struct magnitudes {
    result_digits quotient, remainder;
};

bool is_zero(const mpz_rec* x)
{
    return significant_length(digits_of(x)) == 0;
}

// Each result is computed in its destination's own array when that is
// neither operand (the division reads its operands in full before writing).
magnitudes divide(const mpz_rec* a, const mpz_rec* b, mpz_rec* quotient_to, mpz_rec* remainder_to)
{
    // Only the digits the values can have are computed: na - nb + 1 for the
    // quotient, nb for the remainder.
    auto place = [&](mpz_rec* dst, std::size_t len, std::size_t written) {
        if (len < 2)
            len = 2;
        written = std::min(written, len);
        return dst != nullptr && dst != a && dst != b ? begin_result(dst, len, written, true)
                                                      : new_result(len);
    };
    const std::span<const digit> ad = digits_of(a), bd = digits_of(b);
    const std::size_t na = significant_length(ad), nb = significant_length(bd);
    const unsigned shift = std::countl_zero(bd[nb - 1]) - (32 - digit_bits);
    std::size_t normalised = na;
    if (na > 0 && std::bit_width(ad[na - 1]) + shift > digit_bits)
        ++normalised;
    const std::size_t dividend_len = std::size_t(a->len) + (shift > 0 ? 1 : 0);
    // The quotient has na - nb + 1 digits at most, one fewer when a's top
    // digit is below b's.
    const std::size_t quotient_digits =
        na < nb ? 1 : std::max<std::size_t>(na - nb + (ad[na - 1] >= bd[nb - 1]), 1);
    magnitudes m{place(quotient_to, normalised, quotient_digits),
                 place(remainder_to, std::min<std::size_t>(dividend_len, b->len), nb)};
    divide_magnitudes(m.quotient.span(), m.remainder.span(), ad, bd);
    return m;
}

void release(result_digits r)
{
    release_digits(r.data);
}

// The floor remainder from the truncating one when the signs differ: b - |r|
// for a positive divisor, b + |r| for a negative one (r holds |r|, sign +1).
void floor_remainder(mpz_rec* r, const mpz_rec* b)
{
    if (b->sign > 0)
        mpz_sub(r, b, r);
    else
        mpz_add(r, b, r);
}

} // namespace

extern "C" ZBIG_API void mpz_div(mpz_rec* p, const mpz_rec* a, const mpz_rec* b)
{
    const int sign = a->sign * b->sign;
    if (is_zero(b)) {
        clear_value(p);
        return;
    }
    magnitudes m = divide(a, b, p, nullptr);
    release(m.remainder);
    store_result(p, m.quotient, sign);
}

extern "C" ZBIG_API void mpz_mdiv(mpz_rec* p, const mpz_rec* a, const mpz_rec* b)
{
    const int sign = a->sign * b->sign;
    if (is_zero(b)) {
        clear_value(p);
        return;
    }
    magnitudes m = divide(a, b, p, nullptr);
    const bool inexact = significant_length(m.remainder.span()) != 0;
    release(m.remainder);
    store_result(p, m.quotient, sign);
    if (inexact && sign < 0)
        mpz_sub_ui(p, p, 1);
}

extern "C" ZBIG_API void mpz_mod(mpz_rec* p, const mpz_rec* a, const mpz_rec* b)
{
    const int sign = a->sign;
    if (sign == 0 || is_zero(b)) {
        clear_value(p);
        return;
    }
    magnitudes m = divide(a, b, nullptr, p);
    release(m.quotient);
    store_result(p, m.remainder, sign);
}

extern "C" ZBIG_API void mpz_divmod(mpz_rec* p, mpz_rec* r, const mpz_rec* a, const mpz_rec* b)
{
    // One record cannot hold two results; writing both into it would free
    // digits that the second write still reads.
    if (p == r)
        fatal("mpz_divmod: quotient and remainder must be different records");
    const int sa = a->sign, sb = b->sign;
    if (sa == 0 || is_zero(b)) {
        clear_value(p);
        clear_value(r);
        return;
    }
    magnitudes m = divide(a, b, p, r);
    store_result(r, m.remainder, sa);
    store_result(p, m.quotient, sa * sb);
}

extern "C" ZBIG_API void mpz_mmod(mpz_rec* p, const mpz_rec* a, const mpz_rec* b)
{
    const int sa = a->sign, sb = b->sign;
    if (sa == 0 || is_zero(b)) {
        clear_value(p);
        return;
    }
    // The divisor is read again after p is written: keep it when p is b.
    const snapshot divisor(b, p == b);
    magnitudes m = divide(a, b, nullptr, p);
    release(m.quotient);
    store_result(p, m.remainder, 1);
    if (p->sign == 0)
        return;
    if (sa * sb > 0)
        p->sign = static_cast<int16_t>(sa);
    else
        floor_remainder(p, divisor.get());
}

extern "C" ZBIG_API void mpz_mdivmod(mpz_rec* p, mpz_rec* r, const mpz_rec* a, const mpz_rec* b)
{
    if (p == r)
        fatal("mpz_mdivmod: quotient and remainder must be different records");
    const int sa = a->sign, sb = b->sign;
    if (sa == 0 || is_zero(b)) {
        clear_value(p);
        clear_value(r);
        return;
    }
    const snapshot divisor(b, p == b || r == b);
    magnitudes m = divide(a, b, p, r);
    store_result(r, m.remainder, 1);
    store_result(p, m.quotient, sa * sb);
    if (r->sign == 0)
        return;
    if (sa * sb > 0) {
        r->sign = static_cast<int16_t>(sa);
    } else {
        floor_remainder(r, divisor.get());
        mpz_sub_ui(p, p, 1);
    }
}

extern "C" ZBIG_API void mpz_div_ui(mpz_rec* p, const mpz_rec* a, uint32_t u)
{
    small_record t(u);
    mpz_div(p, a, t.get());
}

extern "C" ZBIG_API void mpz_mod_ui(mpz_rec* p, const mpz_rec* a, uint32_t u)
{
    small_record t(u);
    mpz_mod(p, a, t.get());
}

extern "C" ZBIG_API void mpz_divmod_ui(mpz_rec* p, mpz_rec* r, const mpz_rec* a, uint32_t u)
{
    small_record t(u);
    mpz_divmod(p, r, a, t.get());
}

extern "C" ZBIG_API void mpz_mdiv_ui(mpz_rec* p, const mpz_rec* a, uint32_t u)
{
    small_record t(u);
    mpz_mdiv(p, a, t.get());
}

extern "C" ZBIG_API void mpz_mmod_ui(mpz_rec* p, const mpz_rec* a, uint32_t u)
{
    small_record t(u);
    mpz_mmod(p, a, t.get());
}

extern "C" ZBIG_API void mpz_mdivmod_ui(mpz_rec* p, mpz_rec* r, const mpz_rec* a, uint32_t u)
{
    small_record t(u);
    mpz_mdivmod(p, r, a, t.get());
}
