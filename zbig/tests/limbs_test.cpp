// Regrouping between 30-bit digits and 64-bit limbs.
#include "limbs.h"
#include "oracle.h"

using namespace zbig_test;

TEST(Limbs, PackAndUnpackRoundTrip)
{
    operands g(61);
    for (unsigned n = 0; n < 80; ++n) {
        std::vector<zbig::digit> d(n);
        for (auto& x : d)
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

TEST(Limbs, RowMultiplyAddAgreesOnEveryPath)
{
    // The processor-specific and the portable row kernels against the oracle,
    // for odd and even lengths and the extreme multiplier.
    operands g(62);
    for (std::size_t n = 1; n < 40; ++n) {
        for (int shape = 0; shape < 2; ++shape) {
            std::vector<zbig::limb> a(n), r(n);
            for (std::size_t i = 0; i < n; ++i) {
                a[i] = shape ? ~zbig::limb(0) : g.rng()();
                r[i] = shape ? ~zbig::limb(0) : g.rng()();
            }
            const zbig::limb m = shape ? ~zbig::limb(0) : g.rng()();
            big av = 0, rv = 0;
            for (std::size_t i = n; i-- > 0;) {
                av = (av << 64) | a[i];
                rv = (rv << 64) | r[i];
            }
            const big want = rv + av * m;
            for (int path = 0; path < 2; ++path) {
                std::vector<zbig::limb> out = r;
                const zbig::limb carry =
                    path ? zbig::limbs_addmul_1(out.data(), a.data(), n, m)
                         : zbig::limbs_addmul_1_portable(out.data(), a.data(), n, m);
                big got = carry;
                for (std::size_t i = n; i-- > 0;)
                    got = (got << 64) | out[i];
                ASSERT_EQ(got, want) << "n = " << n << " shape " << shape << " path " << path;
            }
        }
    }
}
