// Creation, release and assignment of records, and the sign-only operations.
#include "magnitude.h"

#include <cstdlib>
#include <cstring>

using namespace zbig;

extern "C" ZBIG_API void mpz_init(mpz_rec* x)
{
    digit* d = allocate_digits(2, "mpz_init: cannot allocate memory");
    d[0] = d[1] = 0;
    x->digits = reinterpret_cast<int32_t*>(d);
    x->sign = 0;
    x->len = 2;
}

extern "C" ZBIG_API void mpz_init_set(mpz_rec* x, const mpz_rec* y)
{
    init_copy(x, y);
}

extern "C" ZBIG_API void mpz_init_set_ui(mpz_rec* x, uint32_t u)
{
    mpz_init(x);
    mpz_set_ui(x, u);
}

extern "C" ZBIG_API void mpz_init_set_si(mpz_rec* x, int32_t s)
{
    mpz_init(x);
    mpz_set_si(x, s);
}

extern "C" ZBIG_API void mpz_clear(mpz_rec* x)
{
    std::free(x->digits);
    x->digits = nullptr;
    x->sign = 0;
    x->len = 0;
}

extern "C" ZBIG_API void _mpz_realloc(mpz_rec* x, uint32_t n)
{
    grow(x, n);
}

extern "C" ZBIG_API void dgset(mpz_rec* x, uint32_t i, int32_t v)
{
    if (v == 0)
        return;
    if (i >= x->len) {
        if (i == UINT32_MAX)
            fatal("_mpz_realloc: cannot allocate memory");
        grow(x, i + 1);
    }
    x->digits[i] = v;
}

extern "C" ZBIG_API void mpz_set(mpz_rec* x, const mpz_rec* y)
{
    if (x == y)
        return;
    const std::span<const digit> src = digits_of(y);
    std::size_t copy;
    if (y->len > x->len) {
        copy = significant_length(src);
        grow(x, static_cast<uint32_t>(copy));
    } else {
        // A shorter source re-creates the destination at max(2, y.len) digits;
        // the old array is large enough to serve as the new one.
        if (y->len < x->len)
            x->len = y->len < 2 ? 2 : y->len;
        copy = y->len;
    }
    if (copy > 0)
        std::memmove(x->digits, y->digits, copy * sizeof(digit));
    std::memset(x->digits + copy, 0, (x->len - copy) * sizeof(digit));
    x->sign = y->sign;
}

extern "C" ZBIG_API void mpz_set_ui(mpz_rec* x, uint32_t u)
{
    std::memset(x->digits + 1, 0, (x->len - 1) * sizeof(digit));
    x->digits[0] = static_cast<int32_t>(u & digit_mask);
    x->digits[1] = static_cast<int32_t>(u >> digit_bits);
    x->sign = u != 0 ? 1 : 0;
}

extern "C" ZBIG_API void mpz_set_si(mpz_rec* x, int32_t s)
{
    // The magnitude of a negative s is its two's-complement negation read as
    // unsigned, so -2^31 keeps its full magnitude 2^31.
    mpz_set_ui(x, s < 0 ? 0u - uint32_t(s) : uint32_t(s));
    x->sign = s < 0 ? -1 : s > 0 ? 1 : 0;
}

extern "C" ZBIG_API uint32_t mpz_get_ui(const mpz_rec* x)
{
    return (uint32_t(x->digits[1]) << digit_bits) | uint32_t(x->digits[0]);
}

extern "C" ZBIG_API int32_t mpz_get_si(const mpz_rec* x)
{
    if (x->sign == 0)
        return 0;
    const int32_t low31 =
        static_cast<int32_t>(((uint32_t(x->digits[1]) & 1) << digit_bits) | uint32_t(x->digits[0]));
    return x->sign * low31;
}

extern "C" ZBIG_API int mpz_size(const mpz_rec* x)
{
    return static_cast<int>((uint64_t(x->len) * digit_bits + 31) / 32);
}

extern "C" ZBIG_API void mpz_abs(mpz_rec* x, const mpz_rec* y)
{
    if (x != y)
        mpz_set(x, y);
    x->sign = significant_length(digits_of(static_cast<const mpz_rec*>(x))) != 0 ? 1 : 0;
}

extern "C" ZBIG_API void mpz_neg(mpz_rec* x, const mpz_rec* y)
{
    if (x != y)
        mpz_set(x, y);
    x->sign = static_cast<int16_t>(-y->sign);
}

extern "C" ZBIG_API void mpz_swap(mpz_rec* x, mpz_rec* y)
{
    // The values move by copying, each record keeping its own array, so each
    // ends with the stored length such a copy leaves.
    scoped_record t;
    mpz_add_ui(t.get(), x, 0);
    mpz_add_ui(x, y, 0);
    mpz_add_ui(y, t.get(), 0);
}

namespace
{
mpz_rec* new_copy(const mpz_rec* v, const char* message)
{
    auto* r = static_cast<mpz_rec*>(std::malloc(sizeof(mpz_rec)));
    if (r == nullptr)
        fatal(message);
    mpz_init(r);
    mpz_set(r, v);
    return r;
}
} // namespace

extern "C" ZBIG_API mpz_rec* mpz_max(const mpz_rec* x, const mpz_rec* y)
{
    return new_copy(mpz_cmp(x, y) < 0 ? y : x, "mpz_max: cannot allocate memory");
}

extern "C" ZBIG_API mpz_rec* mpz_min(const mpz_rec* x, const mpz_rec* y)
{
    return new_copy(mpz_cmp(x, y) < 0 ? x : y, "mpz_min: cannot allocate memory");
}
