#include <stdio.h>
#include <zbig.h>

int main(void)
{
    mpz_rec f, q, r;
    uint32_t k, twos = 0;
    mpz_init_set_ui(&f, 1);
    mpz_init(&q);
    mpz_init(&r);
    for (k = 2; k <= 100; k++)
        mpz_mul_ui(&f, &f, k); /* f = 100! */

    mpz_divmod_ui(&q, &r, &f, 1000000007u);
    printf("100! mod 1000000007 = %u\n", (unsigned)mpz_get_ui(&r));

    mpz_set(&q, &f); /* count the factors 2 of 100! */
    for (;;) {
        mpz_mod_2exp(&r, &q, 1);
        if (mpz_cmp_ui(&r, 0) != 0)
            break;
        mpz_div_2exp(&q, &q, 1);
        twos++;
    }
    printf("100! = 2^%u * odd, %d words\n", (unsigned)twos, mpz_size(&f));

    mpz_clear(&f);
    mpz_clear(&q);
    mpz_clear(&r);
    return 0;
}
