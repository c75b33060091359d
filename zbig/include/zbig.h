/* zbig: signed integers of unbounded size with the mpz_ interface.
 *
 * A value is an mpz_rec owned by the caller: `digits` holds the magnitude in
 * 30-bit digits (one per 32-bit word, least significant first), `sign` is
 * -1, 0 or +1 and `len` counts the stored digit words. Every operation writes
 * its result into its first record argument, which may also be an operand
 * unless noted. Failures end the process with exit status 123 after a
 * one-line message on standard error.
 */
#ifndef ZBIG_H
#define ZBIG_H

#include <stdint.h>

#if defined(__GNUC__)
#define ZBIG_API __attribute__((visibility("default")))
#else
#define ZBIG_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct mpz_rec {
    int32_t *digits; /* magnitude, 30 bits per word, least significant first */
    int16_t sign;    /* -1, 0 or +1 */
    uint32_t len;    /* number of stored digit words (at least 2 when live) */
} mpz_rec;

/* Storage, creation and assignment. */
ZBIG_API void mpz_init(mpz_rec *x);
ZBIG_API void mpz_init_set(mpz_rec *x, const mpz_rec *y);
ZBIG_API void mpz_init_set_ui(mpz_rec *x, uint32_t u);
ZBIG_API void mpz_init_set_si(mpz_rec *x, int32_t s);
ZBIG_API void mpz_clear(mpz_rec *x);
ZBIG_API void _mpz_realloc(mpz_rec *x, uint32_t n);
ZBIG_API void dgset(mpz_rec *x, uint32_t i, int32_t v);
ZBIG_API void mpz_set(mpz_rec *x, const mpz_rec *y);
ZBIG_API void mpz_set_ui(mpz_rec *x, uint32_t u);
ZBIG_API void mpz_set_si(mpz_rec *x, int32_t s);
ZBIG_API uint32_t mpz_get_ui(const mpz_rec *x);
ZBIG_API int32_t mpz_get_si(const mpz_rec *x);
ZBIG_API int mpz_size(const mpz_rec *x);
ZBIG_API void mpz_abs(mpz_rec *x, const mpz_rec *y);
ZBIG_API void mpz_neg(mpz_rec *x, const mpz_rec *y);
ZBIG_API void mpz_swap(mpz_rec *x, mpz_rec *y);
/* Return a new record from malloc; release it with mpz_clear and free. */
ZBIG_API mpz_rec *mpz_max(const mpz_rec *x, const mpz_rec *y);
ZBIG_API mpz_rec *mpz_min(const mpz_rec *x, const mpz_rec *y);
/* Prints msg and a newline to standard error and exits with status 123. */
ZBIG_API void fatal(const char *msg)
#if defined(__GNUC__)
    __attribute__((noreturn))
#endif
    ;

/* Comparison: -1, 0 or +1. */
ZBIG_API int mpz_cmp(const mpz_rec *x, const mpz_rec *y);
ZBIG_API int mpz_cmp_ui(const mpz_rec *x, uint32_t u);
ZBIG_API int mpz_cmp_si(const mpz_rec *x, int32_t s);

/* Addition, subtraction, multiplication. */
ZBIG_API void mpz_add(mpz_rec *p, const mpz_rec *q, const mpz_rec *r);
ZBIG_API void mpz_add_ui(mpz_rec *p, const mpz_rec *q, uint32_t u);
ZBIG_API void mpz_sub(mpz_rec *p, const mpz_rec *q, const mpz_rec *r);
ZBIG_API void mpz_sub_ui(mpz_rec *p, const mpz_rec *q, uint32_t u);
ZBIG_API void mpz_mul(mpz_rec *p, const mpz_rec *q, const mpz_rec *r);
ZBIG_API void mpz_mul_ui(mpz_rec *p, const mpz_rec *q, uint32_t u);

/* Powers of two and digit-wise logic on magnitudes. */
ZBIG_API void mpz_mul_2exp(mpz_rec *p, const mpz_rec *q, uint32_t n);
ZBIG_API void mpz_div_2exp(mpz_rec *p, const mpz_rec *q, uint32_t n);
ZBIG_API void mpz_mod_2exp(mpz_rec *p, const mpz_rec *q, uint32_t n);
ZBIG_API void mpz_and(mpz_rec *p, const mpz_rec *q, const mpz_rec *r);
ZBIG_API void mpz_or(mpz_rec *p, const mpz_rec *q, const mpz_rec *r);
ZBIG_API void mpz_xor(mpz_rec *p, const mpz_rec *q, const mpz_rec *r);

/* Division: truncating (div, mod, divmod) and floor (mdiv, mmod, mdivmod).
 * A zero divisor is silent and makes every output record zero. */
ZBIG_API void mpz_div(mpz_rec *p, const mpz_rec *a, const mpz_rec *b);
ZBIG_API void mpz_mod(mpz_rec *p, const mpz_rec *a, const mpz_rec *b);
ZBIG_API void mpz_divmod(mpz_rec *p, mpz_rec *r, const mpz_rec *a, const mpz_rec *b);
ZBIG_API void mpz_mdiv(mpz_rec *p, const mpz_rec *a, const mpz_rec *b);
ZBIG_API void mpz_mmod(mpz_rec *p, const mpz_rec *a, const mpz_rec *b);
ZBIG_API void mpz_mdivmod(mpz_rec *p, mpz_rec *r, const mpz_rec *a, const mpz_rec *b);
ZBIG_API void mpz_div_ui(mpz_rec *p, const mpz_rec *a, uint32_t u);
ZBIG_API void mpz_mod_ui(mpz_rec *p, const mpz_rec *a, uint32_t u);
ZBIG_API void mpz_divmod_ui(mpz_rec *p, mpz_rec *r, const mpz_rec *a, uint32_t u);
ZBIG_API void mpz_mdiv_ui(mpz_rec *p, const mpz_rec *a, uint32_t u);
ZBIG_API void mpz_mmod_ui(mpz_rec *p, const mpz_rec *a, uint32_t u);
ZBIG_API void mpz_mdivmod_ui(mpz_rec *p, mpz_rec *r, const mpz_rec *a, uint32_t u);

#ifdef __cplusplus
}
#endif

#endif /* ZBIG_H */
