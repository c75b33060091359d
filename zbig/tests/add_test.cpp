// Addition and subtraction: values, signs and stored lengths.
#include "differential.h"
#include "magnitude.h"

using namespace zbig_test;

namespace
{

void add_op(mpz_rec* p, mpz_rec* q, mpz_rec* r)
{
    mpz_add(p, q, r);
}
void sub_op(mpz_rec* p, mpz_rec* q, mpz_rec* r)
{
    mpz_sub(p, q, r);
}

} // namespace

TEST(AddRandom, SumsAndDifferencesMatchTheModel)
{
    operands g(1);
    for (int i = 0; i < 400; ++i) {
        const unsigned bits = i < 300 ? 200 : 3000;
        const big q = g.value(bits);
        big r = g.value(bits);
        if (g.pick(0, 7) == 0)
            r = g.pick(0, 1) ? big(-q) : q; // equal magnitudes: cancellation
        const uint32_t qe = g.pick(0, 3), re = g.pick(0, 3), pe = g.pick(0, 6);
        const big prior = g.value(bits);
        check_binary(add_op, model::add, q, r, qe, re, prior, pe);
        check_binary(sub_op, model::sub, q, r, qe, re, prior, pe);
        if (HasFatalFailure())
            return;
    }
}

TEST(AddShapes, CarriesAndBorrowsAcrossEveryLength)
{
    // Sums and differences of operands from 1 to 40 digits whose carries or
    // borrows run through every digit (lanes that overflow and must be
    // settled in order), into results with and without room for a carry.
    operands g(3);
    for (unsigned qd = 1; qd <= 40; ++qd)
        for (unsigned rd = 1; rd <= qd; rd += (rd < 10 ? 1 : 7)) {
            const big ones_q = (big(1) << (30 * qd)) - 1, ones_r = (big(1) << (30 * rd)) - 1;
            // R above a low digit that carries (or borrows), and digits
            // above it that sum to 2^30 - 1 (or are equal): the carry
            // (borrow) must ripple through every lane.
            const big R = g.random_bits(30 * (rd - 1)) << 30;
            const big cases[][2] = {{R + 1, (ones_r - R) | 0x3fffffff},
                                    {(big(1) << (30 * qd)) + R, R + 1},
                                    {ones_q, ones_r},                  // carries everywhere
                                    {ones_q + 1, 1},                   // borrows everywhere
                                    {big(1) << (30 * qd), ones_r},     // borrows through r's digits
                                    {ones_q, big(1) << (30 * rd - 1)}, // a carry out of the top
                                    {g.random_bits(30 * qd), g.value(30 * rd)}};
            for (const auto& c : cases) {
                const uint32_t pe = g.pick(0, 2);
                const big prior = g.pick(0, 1) ? big(0) : g.random_bits(30 * g.pick(1, 42));
                check_binary(add_op, model::add, c[0], c[1], g.pick(0, 1), g.pick(0, 1), prior, pe);
                check_binary(sub_op, model::sub, c[0], c[1], g.pick(0, 1), g.pick(0, 1), prior, pe);
                check_binary(sub_op, model::sub, -c[1], -c[0], 0, 0, prior, pe);
                if (HasFatalFailure())
                    return;
            }
        }
}

TEST(AddRandom, SmallOperandFormsMatchTheModel)
{
    operands g(2);
    for (int i = 0; i < 300; ++i) {
        const big q = g.value(i % 2 ? 40 : 400);
        const uint32_t u = g.pick(0, 3) == 0 ? g.pick(0, 2) : static_cast<uint32_t>(g.rng()());
        const uint32_t qe = g.pick(0, 3), pe = g.pick(0, 4);
        for (bool same : {false, true}) {
            for (bool subtract : {false, true}) {
                rec p(g.value(100), pe), q_rec(q, qe);
                mpz_rec* pp = same ? q_rec.p() : p.p();
                const model::m want =
                    subtract ? model::sub(model::of(pp), model::of(q_rec.p()), model::small(u))
                             : model::add(model::of(pp), model::of(q_rec.p()), model::small(u));
                if (subtract)
                    mpz_sub_ui(pp, q_rec.p(), u);
                else
                    mpz_add_ui(pp, q_rec.p(), u);
                ASSERT_TRUE(matches(subtract ? "mpz_sub_ui" : "mpz_add_ui", pp, want))
                    << " q = " << hex(q) << " (+" << qe << ") u = " << u << (same ? " p = q" : "");
            }
        }
    }
}

TEST(Add, EdgeCases)
{
    struct {
        const char* what;
        big q, r;
        bool subtract;
        big want;
    } cases[] = {
        {"x + -x is zero", big(1) << 200, -(big(1) << 200), false, 0},
        {"x - x is zero", -(big(123456789) << 90), -(big(123456789) << 90), true, 0},
        {"carry through every digit", (big(1) << 300) - 1, 1, false, big(1) << 300},
        {"borrow through every digit", big(1) << 300, 1, true, (big(1) << 300) - 1},
        {"negative plus larger positive", -5, 7, false, 2},
        {"positive minus larger positive", 5, 7, true, -2},
        {"negatives add", -(big(1) << 61), -(big(1) << 61), false, -(big(1) << 62)},
    };
    for (const auto& c : cases) {
        rec p, q(c.q), r(c.r);
        if (c.subtract)
            mpz_sub(p.p(), q.p(), r.p());
        else
            mpz_add(p.p(), q.p(), r.p());
        EXPECT_TRUE(well_formed(p.p())) << c.what;
        EXPECT_EQ(value_of(p.p()), c.want) << c.what;
    }
}

TEST(Add, ZeroFirstOperandCopiesTheSecondWithItsLengthRule)
{
    // 0 + r is mpz_set(p, r): a longer r grows p only to r's significant
    // digits; a shorter one re-creates p at r's stored length.
    rec p(0, 8), zero, r(big(5), 3); // p: 8 digits, r: 4 stored, 1 significant
    mpz_add(p.p(), zero.p(), r.p());
    EXPECT_EQ(p.r.len, 4u);
    rec p2(0, 0), r2(big(5), 8); // p2: 2 digits, r2: 9 stored, 1 significant
    mpz_add(p2.p(), zero.p(), r2.p());
    EXPECT_EQ(p2.r.len, 2u);
    EXPECT_EQ(value_of(p2.p()), 5);
}

TEST(AddMagnitudes, SpanLevelSumAndDifference)
{
    using zbig::digit;
    operands g(3);
    for (int i = 0; i < 200; ++i) {
        const big a = g.magnitude(500), b = g.magnitude(500);
        rec ra(a), rb(b);
        auto da = zbig::digits_of(static_cast<const mpz_rec*>(ra.p()));
        auto db = zbig::digits_of(static_cast<const mpz_rec*>(rb.p()));
        std::vector<digit> out(std::max(da.size(), db.size()) + 1, 0xdeadbeef);
        zbig::add_magnitudes(out, da, db);
        rec got;
        mpz_set_ui(got.p(), 0);
        big v = 0;
        for (std::size_t k = out.size(); k-- > 0;)
            v = (v << 30) | out[k];
        ASSERT_EQ(v, a + b) << hex(a) << " + " << hex(b);
        const bool a_big = a >= b;
        std::vector<digit> diff(std::max(da.size(), db.size()), 0xdeadbeef);
        zbig::sub_magnitudes(diff, a_big ? da : db, a_big ? db : da);
        v = 0;
        for (std::size_t k = diff.size(); k-- > 0;)
            v = (v << 30) | diff[k];
        ASSERT_EQ(v, a_big ? a - b : b - a) << hex(a) << " - " << hex(b);
    }
}
