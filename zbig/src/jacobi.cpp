// The Jacobi symbol by the binary reciprocity algorithm.
#include "natural.h"

#include <bit>

using namespace zbig;

extern "C" ZBIG_API int mpz_jacobi(const mpz_rec* a, const mpz_rec* b)
{
    if (b->sign <= 0)
        fatal("mpz_jacobi call with b <= 0");
    if ((b->digits[0] & 1) == 0)
        fatal("mpz_jacobi call with b even");
    int j = 1;
    if (a->sign < 0 && (b->digits[0] & 3) == 3)
        j = -1;
    natural x = natural::of(a), y = natural::of(b);
    // x = 0 here, or reached as y mod x, gives 0; x = 1 ends with j.
    while (!x.is_zero() && !x.equals_small(1)) {
        if ((x[0] & 1) == 0) {
            // (2 / y) is -1 exactly when y mod 8 is 3 or 5.
            std::size_t zeros = 0;
            for (std::size_t i = 0;; ++i) {
                if (x[i] != 0) {
                    zeros = i * digit_bits + std::size_t(std::countr_zero(x[i]));
                    break;
                }
            }
            const digit y8 = y[0] & 7;
            if ((zeros & 1) && (y8 == 3 || y8 == 5))
                j = -j;
            x = shr(x, zeros);
        } else {
            if ((x[0] & 3) == 3 && (y[0] & 3) == 3)
                j = -j;
            natural r = mod(y, x);
            y = static_cast<natural&&>(x);
            x = static_cast<natural&&>(r);
        }
    }
    return x.is_zero() ? 0 : j;
}
