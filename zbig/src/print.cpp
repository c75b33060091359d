// Printing: the text of a value handed to the C library's output routines.
#include "zbig.h"

#include <cstdio>
#include <cstdlib>

extern "C" ZBIG_API int mpz_printf(const mpz_rec* x, int base)
{
    char* text = mpz_get_str(nullptr, base, x);
    const int r = std::printf("%s", text);
    std::free(text);
    return r;
}

extern "C" ZBIG_API int mpz_fprintf(FILE* stream, const mpz_rec* x, int base)
{
    char* text = mpz_get_str(nullptr, base, x);
    const int r = std::fputs(text, stream);
    std::free(text);
    return r;
}

extern "C" ZBIG_API int mpz_printd(const mpz_rec* x)
{
    char* text = mpz_get_str(nullptr, 10, x);
    const int r = std::fprintf(stderr, "%s\n", text);
    std::free(text);
    return r;
}

extern "C" ZBIG_API int mpz_printh(const mpz_rec* x)
{
    char* text = mpz_get_str(nullptr, 16, x);
    const int r = std::fprintf(stderr, "%s\n", text);
    std::free(text);
    return r;
}
