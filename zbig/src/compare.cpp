// Comparison of values and of magnitudes.
#include "magnitude.h"

namespace zbig {

int compare_magnitudes(std::span<const digit> a, std::span<const digit> b)
{
    std::size_t n = a.size() > b.size() ? a.size() : b.size();
    while (n-- > 0) {
        const digit x = n < a.size() ? a[n] : 0;
        const digit y = n < b.size() ? b[n] : 0;
        if (x != y)
            return x > y ? 1 : -1;
    }
    return 0;
}

} // namespace zbig

using namespace zbig;

extern "C" ZBIG_API int mpz_cmp(const mpz_rec *x, const mpz_rec *y)
{
    if (x->sign < 0 && y->sign > 0)
        return -1;
    if (x->sign > 0 && y->sign < 0)
        return 1;
    const int m = compare_magnitudes(digits_of(x), digits_of(y));
    // Both not positive (or x zero and y negative): larger magnitude is smaller.
    if (x->sign < 0 || (x->sign == 0 && y->sign < 0))
        return -m;
    return m;
}


extern "C" ZBIG_API int mpz_cmp_ui(const mpz_rec *x, uint32_t u)
{
    small_record t(u);
    return mpz_cmp(x, t.get());
}

extern "C" ZBIG_API int mpz_cmp_si(const mpz_rec *x, int32_t s)
{
    small_record t(s < 0 ? 0u - uint32_t(s) : uint32_t(s), s < 0 ? -1 : 1);
    return mpz_cmp(x, t.get());
}
