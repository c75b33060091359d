/* Usage example for text, powers, gcd, square roots and primality; its
   output is checked by the test zbig.number_theory_example. */
#include <stdio.h>
#include <stdlib.h>
#include <zbig.h>

int main(void)
{
    mpz_rec n, e, m, r, g;
    char* text;
    mpz_init_set_str(&n, "123456789012345678901234567890", 10);
    mpz_init_set_ui(&e, 65537);
    mpz_init_set_str(&m, "0xffffffffffffffffffffffffffffff61", 0); /* 2^128 - 159 */
    mpz_init(&r);
    mpz_init(&g);

    mpz_powm(&r, &n, &e, &m);         /* r = n^e mod m */
    text = mpz_get_str(NULL, 16, &r); /* a new buffer: free it */
    printf("n^e mod m = 0x%s\n", text);
    free(text);

    mpz_gcd(&g, &n, &m);
    printf("gcd = ");
    mpz_printf(&g, 10);
    printf(", m prime: %d\n", mpz_probab_prime_p(&m, 25));

    mpz_sqrtrem(&r, &g, &n); /* r = floor(sqrt(n)), g = n - r^2 */
    printf("sqrt(n) = ");
    mpz_printf(&r, 10);
    printf("\n");

    mpz_clear(&n);
    mpz_clear(&e);
    mpz_clear(&m);
    mpz_clear(&r);
    mpz_clear(&g);
    return 0;
}
