// The truncating and floor division operations on records.
#include "magnitude.h"
#include "short_division.h"

#include <algorithm>
#include <bit>

using namespace zbig;

namespace
{

bool is_zero(const mpz_rec* x)
{
    return significant_length(digits_of(x)) == 0;
}

// Stored lengths of the temporaries the division leaves its results in (at
// least 2 each): the quotient's is the significant length of |a| normalised
// (shifted left until the divisor's top digit has bit 29 set); the
// remainder's is the divisor's stored length, or the normalised dividend's
// when that is shorter. From the operands' stored lengths and their
// significant bits (b_bits > 0).
struct temporary_lengths {
    std::size_t quotient, remainder;
};

temporary_lengths temporaries(uint32_t a_len, uint32_t b_len, uint64_t a_bits, uint64_t b_bits)
{
    const uint64_t shift = (b_bits + digit_bits - 1) / digit_bits * digit_bits - b_bits;
    const uint64_t normalised = (a_bits + shift + digit_bits - 1) / digit_bits;
    const uint64_t dividend_len = uint64_t(a_len) + (shift > 0 ? 1 : 0);
    return {std::size_t(std::max<uint64_t>(normalised, 2)),
            std::size_t(std::max<uint64_t>(std::min<uint64_t>(dividend_len, b_len), 2))};
}

uint64_t significant_bits(std::span<const digit> d)
{
    return d.empty() ? 0 : uint64_t(d.size() - 1) * digit_bits + std::bit_width(d.back());
}

// v into dst as store_result leaves a temporary of stored length len: the
// slow half, when dst's array lacks room.
[[gnu::noinline]] void store_wide_slow(mpz_rec* dst, wide v, std::size_t len, int sign)
{
    const std::size_t n = (wide_bits(v) + digit_bits - 1) / digit_bits;
    result_digits result = begin_result(dst, len, n, true);
    put_wide(result.data, n, v);
    store_result(dst, result, sign);
}

// v into dst as store_result leaves a temporary of stored length len,
// straight into dst's own array when it has room.
inline void store_wide(mpz_rec* dst, wide v, std::size_t len, int sign)
{
    const std::size_t n = (wide_bits(v) + digit_bits - 1) / digit_bits;
    const uint32_t stored = copied_length(dst->len, static_cast<uint32_t>(len), n);
    if (stored > dst->len || dst->digits == nullptr) {
        store_wide_slow(dst, v, len, sign);
        return;
    }
    put_wide(reinterpret_cast<digit*>(dst->digits), stored, v);
    dst->len = stored;
    dst->sign = static_cast<int16_t>(n == 0 ? 0 : sign);
}

// |a| / |b| for operands past the short division: in the destinations' own
// arrays when they are not operands, otherwise through new temporaries.
[[gnu::noinline]] bool divide_long(mpz_rec* quotient_to, int quotient_sign, mpz_rec* remainder_to,
                                   int remainder_sign, const mpz_rec* a, const mpz_rec* b)
{
    const std::span<const digit> ad = significant_digits(a), bd = significant_digits(b);
    const temporary_lengths lengths =
        temporaries(a->len, b->len, significant_bits(ad), significant_bits(bd));
    // Only the digits the values can have are computed: at most na - nb + 1
    // for the quotient, one fewer when a's top digit is below b's, and nb
    // for the remainder. The division reads its operands in full before
    // writing.
    auto place = [&](mpz_rec* dst, std::size_t len, std::size_t written) {
        written = std::min(written, len);
        return dst != nullptr && dst != a && dst != b ? begin_result(dst, len, written, true)
                                                      : new_result(len);
    };
    const std::size_t na = ad.size(), nb = bd.size();
    const std::size_t quotient_digits =
        na < nb ? 1 : std::max<std::size_t>(na - nb + (ad[na - 1] >= bd[nb - 1]), 1);
    result_digits quotient = place(quotient_to, lengths.quotient, quotient_digits);
    result_digits remainder = place(remainder_to, lengths.remainder, nb);
    divide_magnitudes(quotient.span(), remainder.span(), ad, bd);
    const bool inexact = significant_length(remainder.span()) != 0;
    if (remainder_to != nullptr)
        store_result(remainder_to, remainder, remainder_sign);
    else
        release_digits(remainder.data);
    if (quotient_to != nullptr)
        store_result(quotient_to, quotient, quotient_sign);
    else
        release_digits(quotient.data);
    return inexact;
}

// The digits of x as the short division reads them: all stored ones when
// they are few (zeros on top do not change the value), otherwise the
// significant ones.
std::span<const digit> short_digits(const mpz_rec* x)
{
    const std::span<const digit> d = digits_of(x);
    return d.size() <= 5 ? d : d.first(significant_length(d));
}

// |a| / |b| for b != 0: the quotient with quotient_sign into quotient_to and
// the remainder with remainder_sign into remainder_to (either may be null),
// each as the copy of its temporary would leave it. Returns whether the
// remainder is nonzero. The destinations may be the operands: the operands
// are read in full before either is written.
bool divide_into(mpz_rec* quotient_to, int quotient_sign, mpz_rec* remainder_to, int remainder_sign,
                 const mpz_rec* a, const mpz_rec* b)
{
    const std::span<const digit> ad = short_digits(a), bd = short_digits(b);
    if (!fits_wide(ad) || !fits_wide(bd))
        return divide_long(quotient_to, quotient_sign, remainder_to, remainder_sign, a, b);
    // Operands below 2^128 are common in hardware models: no temporaries,
    // the digits go straight to the destinations.
    const wide av = wide_of(ad), bv = wide_of(bd);
    const temporary_lengths lengths = temporaries(a->len, b->len, wide_bits(av), wide_bits(bv));
    wide rem;
    const wide quo = divide_wide(av, bv, rem);
    if (remainder_to != nullptr)
        store_wide(remainder_to, rem, lengths.remainder, remainder_sign);
    if (quotient_to != nullptr)
        store_wide(quotient_to, quo, lengths.quotient, quotient_sign);
    return rem != 0;
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
    if (is_zero(b)) {
        clear_value(p);
        return;
    }
    divide_into(p, a->sign * b->sign, nullptr, 0, a, b);
}

extern "C" ZBIG_API void mpz_mdiv(mpz_rec* p, const mpz_rec* a, const mpz_rec* b)
{
    const int sign = a->sign * b->sign;
    if (is_zero(b)) {
        clear_value(p);
        return;
    }
    if (divide_into(p, sign, nullptr, 0, a, b) && sign < 0)
        mpz_sub_ui(p, p, 1);
}

extern "C" ZBIG_API void mpz_mod(mpz_rec* p, const mpz_rec* a, const mpz_rec* b)
{
    if (a->sign == 0 || is_zero(b)) {
        clear_value(p);
        return;
    }
    divide_into(nullptr, 0, p, a->sign, a, b);
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
    divide_into(p, sa * sb, r, sa, a, b);
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
    if (!divide_into(nullptr, 0, p, 1, a, b))
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
    if (!divide_into(p, sa * sb, r, 1, a, b))
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
