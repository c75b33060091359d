// Square roots against cpp_int's integer square root, on squares, their
// neighbours and values of every top-digit shape.
#include "child.h"
#include "oracle.h"

using namespace zbig_test;

namespace
{

void check_sqrtrem(const big& v, uint32_t extra)
{
    const big root = sqrt(v), rem = v - root * root;
    rec r(big(3)), m(big(-8)), x(v, extra);
    mpz_sqrtrem(r.p(), m.p(), x.p());
    ASSERT_EQ(value_of(r.p()), root) << "sqrt of " << hex(v);
    ASSERT_EQ(value_of(m.p()), rem) << "remainder of " << hex(v);
    ASSERT_TRUE(well_formed(r.p()) && well_formed(m.p()));
    // The root written into x itself, with and without the remainder.
    rec y(v, extra), z(v);
    mpz_sqrtrem(y.p(), m.p(), y.p());
    ASSERT_EQ(value_of(y.p()), root) << "root into x, " << hex(v);
    ASSERT_EQ(value_of(m.p()), rem) << "root into x, " << hex(v);
    mpz_sqrt(z.p(), z.p());
    ASSERT_EQ(value_of(z.p()), root) << "mpz_sqrt into x, " << hex(v);
}

} // namespace

TEST(Sqrt, EdgeCases)
{
    for (unsigned v = 0; v < 300; ++v)
        check_sqrtrem(v, v % 3);
    const big two100 = big(1) << 100;
    for (const big& v : std::initializer_list<big>{
             (big(1) << 60) - 1, big(1) << 60, (two100 + 1) * (two100 + 1) - 1,
             (two100 + 1) * (two100 + 1), big(1) << 30, big(2) << 30, big(3) << 30,
             (big(4) << 30) - 1, big(1) << 90, (big(3) << 90) + 12345})
        check_sqrtrem(v, 1);
    // A negative value writes nothing.
    rec r(big(11)), m(big(12)), x(big(-16));
    mpz_sqrtrem(r.p(), m.p(), x.p());
    EXPECT_EQ(value_of(r.p()), 11);
    EXPECT_EQ(value_of(m.p()), 12);
    mpz_sqrtrem(r.p(), nullptr, x.p());
    EXPECT_EQ(value_of(r.p()), 11);
}

TEST(Sqrt, RandomSquaresAndNeighbours)
{
    operands gen(8001);
    for (int i = 0; i < 600; ++i) {
        const big s = gen.magnitude(i % 50 == 0 ? 5000 : 400);
        const big sq = s * s;
        for (const big& v : std::initializer_list<big>{sq, sq + 1, sq + 2 * s, sq + 2 * s + 1})
            check_sqrtrem(v, gen.pick(0, 2));
        if (sq > 0)
            check_sqrtrem(sq - 1, 0);
        check_sqrtrem(gen.magnitude(700), 0);
    }
}

// Root and remainder in one record: ended with a message, not a silent
// remainder in place of the root.
TEST(SqrtFatal, RootAndRemainderInOneRecord)
{
    for (const big& x : {big(0), big(10), big(1) << 300}) {
        rec rr(big(5)), xr(x);
        const child_result r = in_child([&] { mpz_sqrtrem(rr.p(), rr.p(), xr.p()); });
        EXPECT_EQ(r.status, 123) << x;
        EXPECT_EQ(r.err, "mpz_sqrtrem: root and remainder must be different records\n") << x;
    }
}
