// Comparison of values and of magnitudes.
#include "magnitude.h"

namespace zbig
{

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

namespace
{

// compare_magnitudes on the raw arrays, written out because comparison is
// the one operation whose whole cost is the call.
inline int magnitude_order(const int32_t* a, uint32_t la, const int32_t* b, uint32_t lb)
{
    for (; la > lb; --la)
        if (a[la - 1] != 0)
            return 1;
    for (; lb > la; --lb)
        if (b[lb - 1] != 0)
            return -1;
    while (la-- > 0)
        if (a[la] != b[la])
            return a[la] > b[la] ? 1 : -1;
    return 0;
}

} // namespace

// In parentheses: zbig.h also defines mpz_cmp as a macro.
extern "C" ZBIG_API int(mpz_cmp)(const mpz_rec* x, const mpz_rec* y)
{
    const int xs = x->sign, ys = y->sign;
    if (xs < 0 && ys > 0)
        return -1;
    if (xs > 0 && ys < 0)
        return 1;
    const int m = magnitude_order(x->digits, x->len, y->digits, y->len);
    // Both not positive (or x zero and y negative): larger magnitude is smaller.
    if (xs < 0 || (xs == 0 && ys < 0))
        return -m;
    return m;
}

extern "C" ZBIG_API int mpz_cmp_ui(const mpz_rec* x, uint32_t u)
{
    small_record t(u);
    return mpz_cmp(x, t.get());
}

extern "C" ZBIG_API int mpz_cmp_si(const mpz_rec* x, int32_t s)
{
    small_record t(s < 0 ? 0u - uint32_t(s) : uint32_t(s), s < 0 ? -1 : 1);
    return mpz_cmp(x, t.get());
}
