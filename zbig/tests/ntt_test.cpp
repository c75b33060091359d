// Products by number-theoretic transforms.
#include "limb_values.h"
#include "thresholds.h"

using namespace zbig_test;

TEST(LargeMul, TransformProductsMatchTheOracle)
{
    // Straight into the transform kernel, from tiny to beyond its threshold,
    // including all-ones operands whose convolution coefficients are maximal.
    operands g(14);
    const std::size_t sizes[][2] = {
        {1, 1},       {2, 1},      {3, 3},     {17, 5},
        {64, 64},     {100, 37},   {513, 512}, {zbig::thresholds.ntt, zbig::thresholds.ntt},
        {3000, 2000}, {5000, 5000}};
    for (const auto& s : sizes) {
        for (int shape = 0; shape < 2; ++shape) {
            const big a = shape ? (big(1) << (64 * s[0])) - 1 : g.random_bits(64 * unsigned(s[0]));
            const big b = shape ? (big(1) << (64 * s[1])) - 1 : g.random_bits(64 * unsigned(s[1]));
            auto la = to_limbs(a, s[0]), lb = to_limbs(b, s[1]);
            std::vector<zbig::limb> r(s[0] + s[1]);
            zbig::limbs_mul_ntt(r.data(), la.data(), s[0], lb.data(), s[1]);
            ASSERT_EQ(from_limbs(r), a * b)
                << "sizes " << s[0] << " x " << s[1] << " shape " << shape;
            std::vector<zbig::limb> sq(2 * s[0]);
            zbig::limbs_mul_ntt(sq.data(), la.data(), s[0], la.data(), s[0]);
            ASSERT_EQ(from_limbs(sq), a * a) << "square of size " << s[0] << " shape " << shape;
        }
    }
}
