// Conversions between cpp_int and 64-bit limb or 30-bit digit vectors for
// the kernel tests.
#ifndef ZBIG_TEST_LIMB_VALUES_H
#define ZBIG_TEST_LIMB_VALUES_H

#include "limbs.h"
#include "oracle.h"

#include <vector>

namespace zbig_test
{

inline std::vector<zbig::limb> to_limbs(const big& v, std::size_t n)
{
    std::vector<zbig::limb> out(n);
    big a = v;
    for (auto& l : out) {
        l = static_cast<zbig::limb>(a & 0xffffffffffffffffull);
        a >>= 64;
    }
    return out;
}

inline big from_limbs(const std::vector<zbig::limb>& l)
{
    big v = 0;
    if (!l.empty())
        import_bits(v, l.begin(), l.end(), 64, false);
    return v;
}

// The value of 30-bit digits, least significant first.
inline big from_digits(const std::vector<zbig::digit>& d)
{
    big v = 0;
    for (std::size_t i = d.size(); i-- > 0;)
        v = (v << zbig::digit_bits) | d[i];
    return v;
}

} // namespace zbig_test

#endif
