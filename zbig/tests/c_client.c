/* A C99 client linked with the C compiler against zbig.o alone: exercises
   each family once so that every part of the object is pulled in. */
#include <stdio.h>
#include <stdlib.h>
#include <zbig.h>

static int fail(const char* what)
{
    fprintf(stderr, "c_client: %s\n", what);
    return 1;
}

int main(void)
{
    mpz_rec a, b, q, r;
    mpz_rec* m;
    int i;
    mpz_init_set_ui(&a, 1);
    mpz_init_set_si(&b, -3);
    mpz_init(&q);
    mpz_init(&r);
    mpz_mul_2exp(&a, &a, 4000); /* a = 2^4000 */
    mpz_sub_ui(&a, &a, 1);      /* a = 2^4000 - 1 */
    for (i = 0; i < 5; i++)
        mpz_mul(&b, &b, &b); /* b = 3^32 */
    mpz_mdivmod(&q, &r, &a, &b);
    mpz_mul(&q, &q, &b);
    mpz_add(&q, &q, &r);
    if (mpz_cmp(&q, &a) != 0)
        return fail("q * b + r != a");
    mpz_div_2exp(&q, &a, 3990);
    if (mpz_get_ui(&q) != 1023u)
        return fail("shift");
    mpz_xor(&r, &a, &a);
    m = mpz_max(&r, &b);
    if (mpz_cmp(m, &b) != 0 || mpz_cmp_si(&r, 0) != 0)
        return fail("max/xor");
    {
        /* mpz_cmp is also a macro; the function stays reachable. */
        int (*cmp)(const mpz_rec*, const mpz_rec*) = &mpz_cmp;
        if (cmp(&a, &b) != 1 || (mpz_cmp)(&b, &a) != -1 || mpz_cmp(&b, &a) != -1)
            return fail("mpz_cmp as function and macro");
    }
    mpz_clear(m);
    free(m);
    mpz_clear(&a);
    mpz_clear(&b);
    mpz_clear(&q);
    mpz_clear(&r);
    puts("zbig C client OK");
    return 0;
}
