/* A plain C99 client of the installed kit: 5 in a fixed-point format and
   2^100 - 1 as an unbounded integer. */
#include <stdio.h>
#include <zbig.h>
#ifndef ZBIG_ONLY
#include <qarith.h>
#endif

int main(void)
{
#ifndef ZBIG_ONLY
    fxp_t five = int32_to_fxp(5, 15, 9, 16, FXP_OVF_SAT, FXP_Q_TRUNC);
    if (five.value != 327680 || fxp_to_int32(&five) != 5) {
        fprintf(stderr, "qarith: unexpected value %d\n", (int)five.value);
        return 1;
    }
#endif
    mpz_rec x, y;
    mpz_init_set_si(&x, 1);
    mpz_init(&y);
    mpz_mul_2exp(&y, &x, 100);
    mpz_sub_ui(&y, &y, 1);
    mpz_div_2exp(&x, &y, 70);
    int ok = mpz_get_si(&x) == 1073741823 && mpz_cmp_si(&y, 0) > 0;
    mpz_clear(&x);
    mpz_clear(&y);
    if (!ok) {
        fprintf(stderr, "zbig: unexpected value\n");
        return 1;
    }
    puts("C client OK");
    return 0;
}
