// A C++20 client of the installed kit's C interfaces.
#include <qarith.h>
#include <zbig.h>

#include <cstdio>

int main()
{
    fxp_t half = int32_to_fxp(0, 15, 9, 16, FXP_OVF_SAT, FXP_Q_TRUNC);
    half.value = 1 << 15;
    fxp_t sum = half;
    fxp_add(&sum, &half, &half);
    mpz_rec z;
    mpz_init_set_ui(&z, 40000);
    mpz_mul(&z, &z, &z);
    const bool ok = fxp_to_int32(&sum) == 1 && mpz_get_ui(&z) == 1600000000u;
    mpz_clear(&z);
    if (!ok) {
        std::fprintf(stderr, "C++ client: unexpected result\n");
        return 1;
    }
    std::puts("C++ client OK");
    return 0;
}
