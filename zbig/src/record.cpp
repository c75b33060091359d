// Storage of records: allocation, growth, the zero test and the copying rule
// through which every computed result reaches the caller's record.
#include "record.h"

#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" ZBIG_API void fatal(const char* msg)
{
    std::fprintf(stderr, "%s\n", msg);
    std::exit(123);
}

namespace zbig
{

digit* allocate_digits(std::size_t n, const char* message)
{
    void* p = n > SIZE_MAX / sizeof(digit) ? nullptr : std::malloc((n ? n : 1) * sizeof(digit));
    if (p == nullptr)
        fatal(message);
    return static_cast<digit*>(p);
}

digit* reallocate_digits(digit* old, std::size_t n, const char* message)
{
    void* p =
        n > SIZE_MAX / sizeof(digit) ? nullptr : std::realloc(old, (n ? n : 1) * sizeof(digit));
    if (p == nullptr)
        fatal(message);
    return static_cast<digit*>(p);
}

void release_digits(digit* d)
{
    std::free(d);
}

void grow(mpz_rec* x, uint32_t n)
{
    if (n > 1 && n > x->len) {
        digit* d = x->digits == nullptr ? allocate_digits(n, "_mpz_realloc: cannot allocate memory")
                                        : reallocate_digits(reinterpret_cast<digit*>(x->digits), n,
                                                            "_mpz_realloc: cannot allocate memory");
        std::memset(d + x->len, 0, (std::size_t(n) - x->len) * sizeof(digit));
        x->digits = reinterpret_cast<int32_t*>(d);
        x->len = n;
    } else if (n < x->len) {
        std::memset(x->digits + n, 0, (std::size_t(x->len) - n) * sizeof(digit));
    }
}

void zero_test(mpz_rec* x)
{
    if (significant_length(digits_of(static_cast<const mpz_rec*>(x))) == 0)
        x->sign = 0;
}

void clear_value(mpz_rec* x)
{
    if (x->len > 0)
        std::memset(x->digits, 0, std::size_t(x->len) * sizeof(digit));
    x->sign = 0;
}

result_digits new_result(std::size_t len)
{
    if (len < 2)
        len = 2;
    if (len > UINT32_MAX)
        fatal("_mpz_realloc: cannot allocate memory");
    digit* d = allocate_digits(len, "_mpz_realloc: cannot allocate memory");
    std::memset(d, 0, len * sizeof(digit));
    return {d, static_cast<uint32_t>(len), static_cast<uint32_t>(len)};
}

result_digits begin_result_slow(mpz_rec* dst, std::size_t len, std::size_t written,
                                bool in_place_ok)
{
    if (len < 2)
        len = 2;
    if (len > UINT32_MAX)
        fatal("_mpz_realloc: cannot allocate memory");
    // The array may be larger than its stored length (a copy that shrank a
    // record keeps the old array); its real size is what counts here. The
    // copy keeps at most max(dst->len, written) digits (copied_length), so
    // room for `written` and dst's own stored digits is room enough.
    if (in_place_ok && dst->digits != nullptr &&
        (written <= dst->len || written <= malloc_usable_size(dst->digits) / sizeof(digit)))
        return {reinterpret_cast<digit*>(dst->digits), static_cast<uint32_t>(len),
                static_cast<uint32_t>(written)};
    result_digits r = new_result(len);
    r.written = static_cast<uint32_t>(written);
    return r;
}

void append_digit(mpz_rec* dst, result_digits& result, digit v)
{
    result.data = reallocate_digits(result.data, std::size_t(result.written) + 1,
                                    "_mpz_realloc: cannot allocate memory");
    result.data[result.written++] = v;
    dst->digits = reinterpret_cast<int32_t*>(result.data);
}

void store_new_array(mpz_rec* dst, result_digits result, std::size_t significant, int sign)
{
    // The array is zero above the written digits and the copy's length is
    // at most result.len: it becomes the destination's storage.
    const uint32_t len = copied_length(dst->len, result.len, significant);
    std::free(dst->digits);
    dst->digits = reinterpret_cast<int32_t*>(result.data);
    dst->len = len;
    dst->sign = static_cast<int16_t>(significant == 0 ? 0 : sign);
}

void store_digits_slow(mpz_rec* dst, const digit* v, std::size_t n, std::size_t temp_len, int sign)
{
    result_digits res = begin_result(dst, temp_len, n, true);
    std::memcpy(res.data, v, n * sizeof(digit));
    store_result(dst, res, sign);
}

void init_copy(mpz_rec* x, const mpz_rec* y)
{
    digit* d = allocate_digits(y->len, "mpz_init: cannot allocate memory");
    if (y->len > 0)
        std::memcpy(d, y->digits, std::size_t(y->len) * sizeof(digit));
    x->digits = reinterpret_cast<int32_t*>(d);
    x->sign = y->sign;
    x->len = y->len;
}

scoped_record::scoped_record()
{
    mpz_init(&rec_);
}
scoped_record::scoped_record(uint32_t u)
{
    mpz_init_set_ui(&rec_, u);
}
scoped_record::scoped_record(const mpz_rec* copy_of)
{
    init_copy(&rec_, copy_of);
}
scoped_record::~scoped_record()
{
    mpz_clear(&rec_);
}

} // namespace zbig
