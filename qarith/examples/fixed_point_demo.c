/* A 9.6 fixed-point datapath modelled in C: saturating, truncating. */
#include <qarith.h>
#include <stdio.h>

int main(void)
{
    /* 15 bits: 9 integer bits (sign included) and 6 fraction bits, binary
       point at container bit 16, saturation, truncation. */
    fxp_t a = int32_to_fxp(0, 15, 9, 16, FXP_OVF_SAT, FXP_Q_TRUNC);
    fxp_t b = a, r = a;

    double_to_fxp(10.0, &a);
    double_to_fxp(3.0, &b);
    fxp_div(&r, &a, &b); /* 10 / 3, cut to six fraction bits */
    printf("10 / 3 = %d, r = ", fxp_to_int32(&r));
    fxp_print(&r, 2);
    printf("\n");

    double_to_fxp(20.0, &a);
    fxp_mul(&r, &a, &a); /* 400 does not fit: saturates at 255.984375 */
    printf("20 * 20 = %f\n", fxp_to_double(&r));

    /* Operands of another format, and rounding to nearest. */
    fxp_t fine = int32_to_fxp(0, 16, 8, 16, FXP_OVF_SAT, FXP_Q_TRUNC); /* 8 fraction bits */
    double_to_fxp(1.0, &a);
    double_to_fxp(0.0078125, &fine); /* 1/128: below r's resolution of 1/64 */
    r.q_mode = FXP_Q_ROUND;
    fxp_add(&r, &a, &fine); /* 1 + 1/128 rounds up to 1 + 1/64 */
    printf("1 + 1/128 = ");
    fxp_print(&r, 2);
    printf("\n");

    /* Integer digits in another base; fraction digits stay binary. */
    fxp_t x = int32_to_fxp(7, 8, 4, 16, FXP_OVF_SAT, FXP_Q_TRUNC);
    char text[8 + 2];
    fxp_to_string(&x, 10, text);
    printf("7 in base 10: %s\n", text);
    return 0;
}
