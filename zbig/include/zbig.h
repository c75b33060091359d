/* zbig: signed integers of unbounded size with the mpz_ interface.
 *
 * A value is an mpz_rec owned by the caller: `digits` holds the magnitude in
 * 30-bit digits (one per 32-bit word, least significant first), `sign` is
 * -1, 0 or +1 and `len` counts the stored digit words. Every operation writes
 * its result into its first record argument, which may also be an operand
 * unless noted. Failures end the process with exit status 123 after a
 * one-line message on standard error.
 *
 * The library exports three names without the mpz_ prefix as part of this
 * interface: fatal, dgset and smallp. A program that defines any of them
 * itself fails to link with zbig.
 */
#ifndef ZBIG_H
#define ZBIG_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#if defined(__GNUC__)
#define ZBIG_API __attribute__((visibility("default")))
#else
#define ZBIG_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct mpz_rec {
    int32_t* digits; /* magnitude, 30 bits per word, least significant first */
    int16_t sign;    /* -1, 0 or +1 */
    uint32_t len;    /* number of stored digit words (at least 2 when live) */
} mpz_rec;

/* Storage, creation and assignment. */
ZBIG_API void mpz_init(mpz_rec* x);
ZBIG_API void mpz_init_set(mpz_rec* x, const mpz_rec* y);
ZBIG_API void mpz_init_set_ui(mpz_rec* x, uint32_t u);
ZBIG_API void mpz_init_set_si(mpz_rec* x, int32_t s);
ZBIG_API void mpz_clear(mpz_rec* x);
ZBIG_API void _mpz_realloc(mpz_rec* x, uint32_t n);
ZBIG_API void dgset(mpz_rec* x, uint32_t i, int32_t v);
ZBIG_API void mpz_set(mpz_rec* x, const mpz_rec* y);
ZBIG_API void mpz_set_ui(mpz_rec* x, uint32_t u);
ZBIG_API void mpz_set_si(mpz_rec* x, int32_t s);
ZBIG_API uint32_t mpz_get_ui(const mpz_rec* x);
ZBIG_API int32_t mpz_get_si(const mpz_rec* x);
ZBIG_API int mpz_size(const mpz_rec* x);
ZBIG_API void mpz_abs(mpz_rec* x, const mpz_rec* y);
ZBIG_API void mpz_neg(mpz_rec* x, const mpz_rec* y);
ZBIG_API void mpz_swap(mpz_rec* x, mpz_rec* y);
/* Return a new record from malloc; release it with mpz_clear and free. */
ZBIG_API mpz_rec* mpz_max(const mpz_rec* x, const mpz_rec* y);
ZBIG_API mpz_rec* mpz_min(const mpz_rec* x, const mpz_rec* y);
/* Prints msg and a newline to standard error and exits with status 123. */
ZBIG_API void fatal(const char* msg)
#if defined(__GNUC__)
    __attribute__((noreturn))
#endif
    ;

/* Comparison: -1, 0 or +1. */
ZBIG_API int mpz_cmp(const mpz_rec* x, const mpz_rec* y);
ZBIG_API int mpz_cmp_ui(const mpz_rec* x, uint32_t u);
ZBIG_API int mpz_cmp_si(const mpz_rec* x, int32_t s);

/* mpz_cmp is also a macro: most comparisons are decided by the signs and the
 * top stored digits, which zbig_cmp_inline reads in the caller, without a
 * call; it calls the function for the rest and gives the same answer.
 * (mpz_cmp)(x, y) and &mpz_cmp reach the function itself. */
static inline int zbig_cmp_inline(const mpz_rec* x, const mpz_rec* y)
{
    const int xs = x->sign, ys = y->sign;
    if (xs == ys) {
        /* Same sign: a longer record with a nonzero top digit, or equal
         * lengths with differing top digits, decide by magnitude. */
        const uint32_t xl = x->len, yl = y->len;
        if (xs != 0) {
            if (xl > yl && x->digits[xl - 1] != 0)
                return xs;
            if (yl > xl && y->digits[yl - 1] != 0)
                return -xs;
            if (xl == yl && xl > 0 && x->digits[xl - 1] != y->digits[xl - 1])
                return x->digits[xl - 1] > y->digits[xl - 1] ? xs : -xs;
        }
    } else if (xs != 0 && ys != 0) {
        return xs;
    }
    return (mpz_cmp)(x, y);
}
#define mpz_cmp(x, y) zbig_cmp_inline((x), (y))

/* Addition, subtraction, multiplication. */
ZBIG_API void mpz_add(mpz_rec* p, const mpz_rec* q, const mpz_rec* r);
ZBIG_API void mpz_add_ui(mpz_rec* p, const mpz_rec* q, uint32_t u);
ZBIG_API void mpz_sub(mpz_rec* p, const mpz_rec* q, const mpz_rec* r);
ZBIG_API void mpz_sub_ui(mpz_rec* p, const mpz_rec* q, uint32_t u);
ZBIG_API void mpz_mul(mpz_rec* p, const mpz_rec* q, const mpz_rec* r);
ZBIG_API void mpz_mul_ui(mpz_rec* p, const mpz_rec* q, uint32_t u);

/* Powers of two and digit-wise logic on magnitudes. */
ZBIG_API void mpz_mul_2exp(mpz_rec* p, const mpz_rec* q, uint32_t n);
ZBIG_API void mpz_div_2exp(mpz_rec* p, const mpz_rec* q, uint32_t n);
ZBIG_API void mpz_mod_2exp(mpz_rec* p, const mpz_rec* q, uint32_t n);
ZBIG_API void mpz_and(mpz_rec* p, const mpz_rec* q, const mpz_rec* r);
ZBIG_API void mpz_or(mpz_rec* p, const mpz_rec* q, const mpz_rec* r);
ZBIG_API void mpz_xor(mpz_rec* p, const mpz_rec* q, const mpz_rec* r);

/* Division: truncating (div, mod, divmod) and floor (mdiv, mmod, mdivmod).
 * A zero divisor is silent and makes every output record zero. The quotient
 * and remainder of mpz_divmod and mpz_mdivmod (and their _ui forms) must be
 * different records; the same record for both ends the process. */
ZBIG_API void mpz_div(mpz_rec* p, const mpz_rec* a, const mpz_rec* b);
ZBIG_API void mpz_mod(mpz_rec* p, const mpz_rec* a, const mpz_rec* b);
ZBIG_API void mpz_divmod(mpz_rec* p, mpz_rec* r, const mpz_rec* a, const mpz_rec* b);
ZBIG_API void mpz_mdiv(mpz_rec* p, const mpz_rec* a, const mpz_rec* b);
ZBIG_API void mpz_mmod(mpz_rec* p, const mpz_rec* a, const mpz_rec* b);
ZBIG_API void mpz_mdivmod(mpz_rec* p, mpz_rec* r, const mpz_rec* a, const mpz_rec* b);
ZBIG_API void mpz_div_ui(mpz_rec* p, const mpz_rec* a, uint32_t u);
ZBIG_API void mpz_mod_ui(mpz_rec* p, const mpz_rec* a, uint32_t u);
ZBIG_API void mpz_divmod_ui(mpz_rec* p, mpz_rec* r, const mpz_rec* a, uint32_t u);
ZBIG_API void mpz_mdiv_ui(mpz_rec* p, const mpz_rec* a, uint32_t u);
ZBIG_API void mpz_mmod_ui(mpz_rec* p, const mpz_rec* a, uint32_t u);
ZBIG_API void mpz_mdivmod_ui(mpz_rec* p, mpz_rec* r, const mpz_rec* a, uint32_t u);

/* Text in bases 2 to 36 (digits 0-9 then a-z; input letters in either case).
 * mpz_get_str writes into buf, which must hold mpz_sizeinbase(x, base) + 2
 * bytes (the digits, a '-' and the terminating NUL), or, when buf is NULL,
 * into a new malloc'd buffer of that size that the caller frees.
 * mpz_sizeinbase is an upper bound on the digits of abs(x) (sign not counted);
 * when that bound does not fit in an int (numbers of more than about 2^31
 * bits in base 2), it and mpz_get_str end the process instead. mpz_set_str takes base 0 (prefix 0x:
 * 16, 0: 8, else 10) or 2 to 36, skips tabs, spaces and newlines, and returns 0, or -1 when an
 * invalid character stopped it (x then holds the value of the digits to its
 * right). An invalid base ends the process. */
ZBIG_API int mpz_sizeinbase(const mpz_rec* x, int base);
ZBIG_API char* mpz_get_str(char* buf, int base, const mpz_rec* x);
ZBIG_API int mpz_set_str(mpz_rec* x, const char* text, int base);
ZBIG_API int mpz_init_set_str(mpz_rec* x, const char* text, int base);
/* Reads the `length` bytes at text by the rules of mpz_set_str, but reports
 * instead of ending the process or keeping part of a value: returns
 * ZBIG_TEXT_OK with x set to the number, or, leaving x unchanged,
 * ZBIG_TEXT_INVALID_BASE (base neither 0 nor 2 to 36),
 * ZBIG_TEXT_INVALID_CHARACTER (a byte that is neither a digit of the base
 * nor a blank, a NUL byte included) or ZBIG_TEXT_NO_DIGITS. */
enum {
    ZBIG_TEXT_OK = 0,
    ZBIG_TEXT_INVALID_BASE = 1,
    ZBIG_TEXT_INVALID_CHARACTER = 2,
    ZBIG_TEXT_NO_DIGITS = 3
};
ZBIG_API int zbig_read_text(mpz_rec* x, const char* text, size_t length, int base);
/* Printing: to standard output (mpz_printf), to a stream (mpz_fprintf), or
 * with a newline to standard error in base 10 (mpz_printd) or 16 (mpz_printh).
 * Each returns the result of the C library routine that wrote the text. */
ZBIG_API int mpz_printf(const mpz_rec* x, int base);
ZBIG_API int mpz_fprintf(FILE* stream, const mpz_rec* x, int base);
ZBIG_API int mpz_printd(const mpz_rec* x);
ZBIG_API int mpz_printh(const mpz_rec* x);

/* Powers, roots, greatest common divisors and the Jacobi symbol.
 * mpz_powm reduces with the truncating remainder: the result has the sign of
 * b when e is odd; a negative e leaves p unchanged; a zero e gives 1 whatever
 * m is (m = 0, 1 and -1 included); otherwise m = 0 gives 0.
 * mpz_gcd is never negative; mpz_gcdext gives a * s + b * t = g where g takes
 * the sign of the last nonzero remainder of Euclid's chain (t may be NULL).
 * mpz_jacobi requires an odd positive b and ends the process otherwise.
 * mpz_sqrtrem of a negative x writes nothing; rem may be NULL.
 * The output records of mpz_gcdext (g, s, t) and of mpz_sqrtrem (root, rem)
 * must be different records; the same record twice ends the process. */
ZBIG_API void mpz_pow_ui(mpz_rec* p, const mpz_rec* b, uint32_t e);
ZBIG_API void mpz_powm(mpz_rec* p, const mpz_rec* b, const mpz_rec* e, const mpz_rec* m);
ZBIG_API void mpz_powm_ui(mpz_rec* p, const mpz_rec* b, uint32_t e, const mpz_rec* m);
ZBIG_API void mpz_fac_ui(mpz_rec* p, uint32_t n);
ZBIG_API void mpz_gcd(mpz_rec* g, const mpz_rec* a, const mpz_rec* b);
ZBIG_API void mpz_gcdext(mpz_rec* g, mpz_rec* s, mpz_rec* t, const mpz_rec* a, const mpz_rec* b);
ZBIG_API int mpz_jacobi(const mpz_rec* a, const mpz_rec* b);
ZBIG_API void mpz_sqrtrem(mpz_rec* root, mpz_rec* rem, const mpz_rec* x);
ZBIG_API void mpz_sqrt(mpz_rec* root, const mpz_rec* x);

/* Primality and random values, drawn from the C library's rand(), which the
 * library never seeds: four calls per 30-bit digit. mpz_random gives a value
 * below 2^(32 n), mpz_random2 one whose 30-bit digits are each 0 or 1 (n < 0
 * counts as 0). mpz_probab_prime_p returns 1 when abs(x) survives trial
 * division by smallp and reps random trials, else 0; it never calls a prime
 * composite, and the table primes themselves count as prime. */
ZBIG_API extern const int32_t smallp[7];
ZBIG_API void mpz_random(mpz_rec* x, int n);
ZBIG_API void mpz_random2(mpz_rec* x, int n);
ZBIG_API int mpz_probab_prime_p(const mpz_rec* x, int reps);

#ifdef __cplusplus
}
#endif

#endif /* ZBIG_H */
