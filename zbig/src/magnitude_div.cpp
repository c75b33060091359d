// Quotients and remainders of magnitudes held as digit spans: operands below
// 2^128 as single 128-bit values, a one-digit divisor digit by digit,
// otherwise regrouped into limbs for the kernels.
#include "limbs.h"
#include "magnitude.h"
#include "short_division.h"

#include <algorithm>

namespace zbig
{

constexpr const char* div_memory = "udiv: cannot allocate memory";

void divide_magnitudes(std::span<digit> quotient, std::span<digit> remainder,
                       std::span<const digit> a, std::span<const digit> b)
{
    a = a.first(significant_length(a));
    b = b.first(significant_length(b));
    if (a.size() < b.size()) {
        std::fill(quotient.begin(), quotient.end(), 0);
        std::copy(a.begin(), a.end(), remainder.begin());
        std::fill(remainder.begin() + a.size(), remainder.end(), 0);
        return;
    }
    if (fits_wide(a) && fits_wide(b)) {
        wide rem;
        put_wide(quotient.data(), quotient.size(), divide_wide(wide_of(a), wide_of(b), rem));
        put_wide(remainder.data(), remainder.size(), rem);
        return;
    }
    if (b.size() == 1) {
        // A top digit below the divisor makes a zero quotient digit, which
        // a quotient of one digit fewer need not hold.
        uint64_t rem = 0;
        std::size_t top = a.size();
        if (top > quotient.size() && a[top - 1] < b[0])
            rem = a[--top];
        for (std::size_t i = top; i-- > 0;) {
            const uint64_t t = (rem << digit_bits) | a[i];
            quotient[i] = digit(t / b[0]);
            rem = t % b[0];
        }
        std::fill(quotient.begin() + std::ptrdiff_t(std::min(top, quotient.size())), quotient.end(),
                  0);
        remainder[0] = digit(rem);
        std::fill(remainder.begin() + 1, remainder.end(), 0);
        return;
    }
    const std::size_t an_max = limbs_for_digits(a.size()), dn_max = limbs_for_digits(b.size());
    limb local[256];
    limb* buf = 2 * an_max + 2 * dn_max + 1 <= 256
                    ? local
                    : allocate_limbs(2 * an_max + 2 * dn_max + 1, div_memory);
    limb *la = buf, *ld = buf + an_max;
    pack_limbs({la, an_max}, a);
    pack_limbs({ld, dn_max}, b);
    // The top limb may be zero: 30-bit digits need not fill it.
    std::size_t an = an_max, dn = dn_max;
    while (la[an - 1] == 0)
        --an;
    while (ld[dn - 1] == 0)
        --dn;
    const std::size_t qn = an >= dn ? an - dn + 1 : 1;
    limb *lq = ld + dn_max, *lr = lq + an_max + 1;
    if (an < dn) {
        lq[0] = 0;
        std::copy(la, la + an, lr);
        std::fill(lr + an, lr + dn, 0);
    } else {
        limbs_divmod(lq, lr, la, an, ld, dn);
    }
    unpack_limbs(quotient, {lq, qn});
    unpack_limbs(remainder, {lr, dn});
    if (buf != local)
        release_limbs(buf);
}

uint32_t divide_by_small(std::span<digit> quotient, std::span<const digit> a, uint32_t d)
{
    uint64_t rem = 0;
    for (std::size_t i = a.size(); i-- > 0;) {
        const uint64_t t = (rem << digit_bits) | a[i];
        quotient[i] = digit(t / d);
        rem = t % d;
    }
    std::fill(quotient.begin() + a.size(), quotient.end(), 0);
    return uint32_t(rem);
}

} // namespace zbig
