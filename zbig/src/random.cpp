// Random integers from the C library's rand().
#include "random_digits.h"

using namespace zbig;

namespace
{

// x = the value of ceil(32 n / 30) digits from `draw`, the top one cut to
// the bits beyond whole digits; x keeps any longer stored length.
template <typename Draw> void fill_random(mpz_rec* x, int n, Draw draw)
{
    const uint64_t bits = n > 0 ? 32 * uint64_t(n) : 0;
    const uint64_t whole = bits / digit_bits, rest = bits % digit_bits;
    const uint64_t count = whole + (rest > 0 ? 1 : 0);
    if (count > UINT32_MAX)
        fatal("_mpz_realloc: cannot allocate memory");
    grow(x, uint32_t(count));
    bool nonzero = false;
    for (uint64_t i = 0; i < count; ++i) {
        digit v = draw();
        if (i + 1 == count && rest > 0)
            v &= (digit(1) << rest) - 1;
        x->digits[i] = int32_t(v);
        nonzero = nonzero || v != 0;
    }
    x->sign = nonzero ? 1 : 0;
}

} // namespace

extern "C" ZBIG_API void mpz_random(mpz_rec* x, int n)
{
    fill_random(x, n, random_digit);
}

extern "C" ZBIG_API void mpz_random2(mpz_rec* x, int n)
{
    fill_random(x, n, [] { return random_digit() & 1; });
}
