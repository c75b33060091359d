// Powers of two and digit-wise logic.
#include "differential.h"
#include "magnitude.h"

using namespace zbig_test;

TEST(ShiftRandom, PowersOfTwoMatchTheModel)
{
    operands g(21);
    for (int i = 0; i < 600; ++i) {
        const big q = g.value(i % 3 ? 200 : 2000);
        const uint32_t qe = g.pick(0, 3);
        uint32_t n = g.pick(0, 4) == 0 ? 30 * g.pick(0, 12) : g.pick(0, 400);
        if (g.pick(0, 9) == 0)
            n = g.pick(0, 1) ? 1 : 0;
        for (int op = 0; op < 3; ++op) {
            for (bool same : {false, true}) {
                rec p(g.value(100), g.pick(0, 12)), qr(q, qe);
                mpz_rec* pp = same ? qr.p() : p.p();
                const model::m before = model::of(pp), qm = model::of(qr.p());
                model::m want;
                const char* name;
                if (op == 0) {
                    want = model::mul_2exp(before, qm, n);
                    mpz_mul_2exp(pp, qr.p(), n);
                    name = "mpz_mul_2exp";
                } else if (op == 1) {
                    want = model::div_2exp(before, qm, n);
                    mpz_div_2exp(pp, qr.p(), n);
                    name = "mpz_div_2exp";
                } else {
                    want = model::mod_2exp(before, qm, n);
                    mpz_mod_2exp(pp, qr.p(), n);
                    name = "mpz_mod_2exp";
                }
                ASSERT_TRUE(matches(name, pp, want))
                    << " q = " << hex(q) << " (+" << qe << " zero digits), n = " << n
                    << (same ? ", p = q" : "");
            }
        }
    }
}

namespace
{
void and_op(mpz_rec* p, mpz_rec* q, mpz_rec* r)
{
    mpz_and(p, q, r);
}
void or_op(mpz_rec* p, mpz_rec* q, mpz_rec* r)
{
    mpz_or(p, q, r);
}
void xor_op(mpz_rec* p, mpz_rec* q, mpz_rec* r)
{
    mpz_xor(p, q, r);
}
} // namespace

TEST(BitwiseRandom, LogicOnMagnitudesMatchesTheModel)
{
    using model::logic;
    operands g(22);
    for (int i = 0; i < 300; ++i) {
        const big q = g.value(300), r = g.value(300);
        const uint32_t qe = g.pick(0, 4), re = g.pick(0, 4), pe = g.pick(0, 12);
        const big prior = g.value(300);
        check_binary(
            and_op, [](auto p, auto a, auto b) { return model::bitwise(p, a, b, logic::and_); }, q,
            r, qe, re, prior, pe);
        check_binary(
            or_op, [](auto p, auto a, auto b) { return model::bitwise(p, a, b, logic::or_); }, q, r,
            qe, re, prior, pe);
        check_binary(
            xor_op, [](auto p, auto a, auto b) { return model::bitwise(p, a, b, logic::xor_); }, q,
            r, qe, re, prior, pe);
        if (HasFatalFailure())
            return;
    }
}

TEST(Shift, EdgeCases)
{
    struct {
        const char* what;
        int op; // 0 mul_2exp, 1 div_2exp, 2 mod_2exp, 3 or, 4 and, 5 xor
        big q, r;
        uint32_t n;
        big want;
    } cases[] = {
        {"div_2exp rounds toward zero", 1, -5, 0, 1, -2},
        {"div_2exp to zero clears the sign", 1, 7, 0, 3, 0},
        {"div_2exp by every stored bit", 1, (big(1) << 59) + 3, 0, 60, 0},
        {"div_2exp beyond the stored digits", 1, big(1) << 59, 0, 3000, 0},
        {"mul_2exp by 31", 0, 3, 0, 31, big(3) << 31},
        {"mul_2exp of zero", 0, 0, 0, 77, 0},
        {"mod_2exp by 0", 2, 12345, 0, 0, 0},
        {"mod_2exp keeps the sign", 2, -5, 0, 2, -1},
        {"mod_2exp beyond the value", 2, (big(1) << 59) + 1, 0, 90, (big(1) << 59) + 1},
        {"-6 or 3", 3, -6, 3, 0, -7},
        {"-6 and -3", 4, -6, -3, 0, -2},
        {"-6 xor 3", 5, -6, 3, 0, -5},
        {"12 and 0", 4, 12, 0, 0, 0},
        {"0 xor -5", 5, 0, -5, 0, -5},
        {"x xor x", 5, big(99) << 70, big(99) << 70, 0, 0},
    };
    for (const auto& c : cases) {
        rec p, q(c.q), r(c.r);
        switch (c.op) {
        case 0:
            mpz_mul_2exp(p.p(), q.p(), c.n);
            break;
        case 1:
            mpz_div_2exp(p.p(), q.p(), c.n);
            break;
        case 2:
            mpz_mod_2exp(p.p(), q.p(), c.n);
            break;
        case 3:
            mpz_or(p.p(), q.p(), r.p());
            break;
        case 4:
            mpz_and(p.p(), q.p(), r.p());
            break;
        default:
            mpz_xor(p.p(), q.p(), r.p());
            break;
        }
        EXPECT_TRUE(well_formed(p.p())) << c.what;
        EXPECT_EQ(value_of(p.p()), c.want) << c.what;
    }
    rec one(1), moved;
    mpz_mul_2exp(moved.p(), one.p(), 30);
    EXPECT_EQ(moved.r.digits[0], 0);
    EXPECT_EQ(moved.r.digits[1], 1) << "a shift by 30 moves every digit up one place";
}
