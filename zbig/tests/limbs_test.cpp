// Regrouping between 30-bit digits and 64-bit limbs.
#include "limbs.h"
#include "oracle.h"

using namespace zbig_test;

TEST(Limbs, PackAndUnpackRoundTrip)
{
    operands g(61);
    for (unsigned n = 0; n < 80; ++n) {
        std::vector<zbig::digit> d(n);
        for (auto &x : d)
            x = static_cast<zbig::digit>(g.rng()()) & zbig::digit_mask;
        if (n > 0 && g.pick(0, 1))
            d[n - 1] = zbig::digit_mask;
        std::vector<zbig::limb> l(zbig::limbs_for_digits(n) + 1, ~zbig::limb(0));
        zbig::pack_limbs(l, d);
        big from_digits = 0, from_limbs = 0;
        for (std::size_t i = n; i-- > 0;)
            from_digits = (from_digits << 30) | d[i];
        for (std::size_t i = l.size(); i-- > 0;)
            from_limbs = (from_limbs << 64) | l[i];
        ASSERT_EQ(from_limbs, from_digits) << n << " digits";
        std::vector<zbig::digit> back(n + 3, 0xffffffff);
        zbig::unpack_limbs(back, l);
        for (std::size_t i = 0; i < back.size(); ++i)
            ASSERT_EQ(back[i], i < n ? d[i] : 0u) << "digit " << i << " of " << n;
    }
}
