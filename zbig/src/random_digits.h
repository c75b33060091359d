// Digits drawn from the C library's rand(): four calls per digit, the first
// call's low byte the most significant, the top two bits dropped.
#ifndef ZBIG_RANDOM_DIGITS_H
#define ZBIG_RANDOM_DIGITS_H

#include "record.h"

#include <cstdlib>

namespace zbig
{

inline digit random_digit()
{
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v = (v << 8) | (uint32_t(std::rand()) & 0xff);
    return v & digit_mask;
}

} // namespace zbig

#endif
