// Division family: truncating and floor forms, the small-divisor forms,
// aliasing, zero divisors and the stored lengths the long division leaves.
#include "child.h"
#include "differential.h"
#include "limb_values.h"
#include "limbs.h"
#include "magnitude.h"
#include "short_division.h"
#include "thresholds.h"

#include <functional>

using namespace zbig_test;

namespace
{

enum class op { div, mod, mdiv, mmod, divmod, mdivmod };
const char* name(op o)
{
    const char* names[] = {"mpz_div",  "mpz_mod",    "mpz_mdiv",
                           "mpz_mmod", "mpz_divmod", "mpz_mdivmod"};
    return names[static_cast<int>(o)];
}

// Runs o on records with every permitted aliasing and compares with the
// model. Results may be the dividend or the divisor (even for the floor
// forms, whose divisor is read again afterwards).
void check_division(op o, const big& a, const big& b, uint32_t ae, uint32_t be, operands& g)
{
    const bool two = o == op::divmod || o == op::mdivmod;
    // alias: 0 none, 1 p = a, 2 p = b, 3 r = a, 4 r = b, 5 p = a and r = b, 6 p = b and r = a
    for (int alias = 0; alias < (two ? 7 : 3); ++alias) {
        rec p(g.value(64), g.pick(0, 8)), r(g.value(64), g.pick(0, 8)), ar(a, ae), br(b, be);
        mpz_rec *pp = p.p(), *rp = r.p(), *ap = ar.p(), *bp = br.p();
        if (alias == 1 || alias == 5)
            pp = ap;
        if (alias == 2 || alias == 6)
            pp = bp;
        if (alias == 3 || alias == 6)
            rp = ap;
        if (alias == 4 || alias == 5)
            rp = bp;
        model::m wp = model::of(pp), wr = model::of(rp);
        const model::m ma = model::of(ap), mb = model::of(bp);
        switch (o) {
        case op::div:
            wp = model::div(wp, ma, mb);
            mpz_div(pp, ap, bp);
            break;
        case op::mod:
            wp = model::mod(wp, ma, mb);
            mpz_mod(pp, ap, bp);
            break;
        case op::mdiv:
            wp = model::mdiv(wp, ma, mb);
            mpz_mdiv(pp, ap, bp);
            break;
        case op::mmod:
            wp = model::mmod(wp, ma, mb);
            mpz_mmod(pp, ap, bp);
            break;
        case op::divmod:
            model::divmod(wp, wr, ma, mb);
            mpz_divmod(pp, rp, ap, bp);
            break;
        case op::mdivmod:
            model::mdivmod(wp, wr, ma, mb);
            mpz_mdivmod(pp, rp, ap, bp);
            break;
        }
        ASSERT_TRUE(matches(name(o), pp, wp))
            << " a = " << hex(a) << " (+" << ae << "), b = " << hex(b) << " (+" << be
            << "), aliasing " << alias;
        if (two) {
            ASSERT_TRUE(matches(name(o), rp, wr))
                << " remainder; a = " << hex(a) << " (+" << ae << "), b = " << hex(b) << " (+" << be
                << "), aliasing " << alias;
        }
    }
}

void check_all(const big& a, const big& b, uint32_t ae, uint32_t be, operands& g)
{
    for (op o : {op::div, op::mod, op::mdiv, op::mmod, op::divmod, op::mdivmod})
        check_division(o, a, b, ae, be, g);
}

} // namespace

TEST(DivRandom, AllFormsMatchTheModel)
{
    operands g(31);
    for (int i = 0; i < 250; ++i) {
        const unsigned bits = i < 150 ? 250 : 3000;
        big a = g.value(bits), b = g.value(bits / 2 + 1);
        if (i % 5 == 0)
            b = g.value(bits); // dividend often shorter than the divisor
        if (i % 17 == 0)
            a = b * g.value(bits / 2); // exact division
        check_all(a, b, g.pick(0, 3), g.pick(0, 3), g);
        if (HasFatalFailure())
            return;
    }
}

TEST(DivRandom, SmallDivisorFormsMatchTheRecordForms)
{
    operands g(32);
    for (int i = 0; i < 200; ++i) {
        const big a = g.value(i % 2 ? 40 : 500);
        const uint32_t u = g.pick(0, 3) == 0 ? g.pick(1, 3) : static_cast<uint32_t>(g.rng()()) | 1;
        rec ur(u);
        const uint32_t ae = g.pick(0, 3);
        for (int o = 0; o < 6; ++o) {
            rec p1(g.value(64), 3), p2(value_of(p1.p()), 3), r1, r2, ar(a, ae);
            switch (o) {
            case 0:
                mpz_div(p1.p(), ar.p(), ur.p());
                mpz_div_ui(p2.p(), ar.p(), u);
                break;
            case 1:
                mpz_mod(p1.p(), ar.p(), ur.p());
                mpz_mod_ui(p2.p(), ar.p(), u);
                break;
            case 2:
                mpz_mdiv(p1.p(), ar.p(), ur.p());
                mpz_mdiv_ui(p2.p(), ar.p(), u);
                break;
            case 3:
                mpz_mmod(p1.p(), ar.p(), ur.p());
                mpz_mmod_ui(p2.p(), ar.p(), u);
                break;
            case 4:
                mpz_divmod(p1.p(), r1.p(), ar.p(), ur.p());
                mpz_divmod_ui(p2.p(), r2.p(), ar.p(), u);
                break;
            default:
                mpz_mdivmod(p1.p(), r1.p(), ar.p(), ur.p());
                mpz_mdivmod_ui(p2.p(), r2.p(), ar.p(), u);
                break;
            }
            ASSERT_TRUE(matches(name(static_cast<op>(o)), p2.p(), model::of(p1.p())))
                << " _ui form, a = " << hex(a) << " u = " << u;
            ASSERT_TRUE(matches(name(static_cast<op>(o)), r2.p(), model::of(r1.p())))
                << " _ui form remainder, a = " << hex(a) << " u = " << u;
        }
        // And the record forms agree with the model for u.
        check_all(a, big(u), ae, 0, g);
        if (HasFatalFailure())
            return;
    }
}

TEST(Div, SignTable)
{
    struct {
        int a, b, div, mod, mdiv, mmod;
    } rows[] = {{7, 2, 3, 1, 3, 1},     {-7, 2, -3, -1, -4, 1}, {7, -2, -3, 1, -4, -1},
                {-7, -2, 3, -1, 3, -1}, {6, -2, -3, 0, -3, 0},  {-1, 2, 0, -1, -1, 1}};
    for (const auto& row : rows) {
        rec a(row.a), b(row.b), q, r;
        mpz_div(q.p(), a.p(), b.p());
        EXPECT_EQ(value_of(q.p()), row.div) << row.a << " div " << row.b;
        mpz_mod(q.p(), a.p(), b.p());
        EXPECT_EQ(value_of(q.p()), row.mod) << row.a << " mod " << row.b;
        mpz_mdiv(q.p(), a.p(), b.p());
        EXPECT_EQ(value_of(q.p()), row.mdiv) << row.a << " mdiv " << row.b;
        mpz_mmod(q.p(), a.p(), b.p());
        EXPECT_EQ(value_of(q.p()), row.mmod) << row.a << " mmod " << row.b;
        mpz_divmod(q.p(), r.p(), a.p(), b.p());
        EXPECT_EQ(value_of(q.p()), row.div);
        EXPECT_EQ(value_of(r.p()), row.mod);
        mpz_mdivmod(q.p(), r.p(), a.p(), b.p());
        EXPECT_EQ(value_of(q.p()), row.mdiv);
        EXPECT_EQ(value_of(r.p()), row.mmod);
        EXPECT_TRUE(well_formed(q.p()) && well_formed(r.p()));
        if (row.b > 0) {
            mpz_mdiv_ui(q.p(), a.p(), uint32_t(row.b));
            EXPECT_EQ(value_of(q.p()), row.mdiv) << row.a << " mdiv_ui " << row.b;
            mpz_mmod_ui(q.p(), a.p(), uint32_t(row.b));
            EXPECT_EQ(value_of(q.p()), row.mmod) << row.a << " mmod_ui " << row.b;
        }
    }
}

TEST(Div, ZeroDivisorLeavesEveryOutputAValidZero)
{
    for (int o = 0; o < 12; ++o) {
        rec p(big(-12345) << 100, 2), r(big(99) << 40), a(big(-77) << 90), zero;
        const uint32_t plen = p.r.len, rlen = r.r.len;
        switch (o) {
        case 0:
            mpz_div(p.p(), a.p(), zero.p());
            break;
        case 1:
            mpz_mod(p.p(), a.p(), zero.p());
            break;
        case 2:
            mpz_mdiv(p.p(), a.p(), zero.p());
            break;
        case 3:
            mpz_mmod(p.p(), a.p(), zero.p());
            break;
        case 4:
            mpz_divmod(p.p(), r.p(), a.p(), zero.p());
            break;
        case 5:
            mpz_mdivmod(p.p(), r.p(), a.p(), zero.p());
            break;
        case 6:
            mpz_div_ui(p.p(), a.p(), 0);
            break;
        case 7:
            mpz_mod_ui(p.p(), a.p(), 0);
            break;
        case 8:
            mpz_mdiv_ui(p.p(), a.p(), 0);
            break;
        case 9:
            mpz_mmod_ui(p.p(), a.p(), 0);
            break;
        case 10:
            mpz_divmod_ui(p.p(), r.p(), a.p(), 0);
            break;
        default:
            mpz_mdivmod_ui(p.p(), r.p(), a.p(), 0);
            break;
        }
        EXPECT_TRUE(well_formed(p.p())) << "form " << o;
        EXPECT_EQ(value_of(p.p()), 0) << "form " << o;
        EXPECT_EQ(p.r.len, plen) << "form " << o;
        if (o == 4 || o == 5 || o == 10 || o == 11) {
            EXPECT_EQ(value_of(r.p()), 0) << "form " << o;
            EXPECT_EQ(r.r.len, rlen) << "form " << o;
        }
    }
}

TEST(Div, QuotientEstimateCorrections)
{
    // Dividends and divisors whose top digits sit at the normalisation
    // boundaries, and the classic cases where a first estimate is short.
    operands g(33);
    const big cases[][2] = {
        {(big(1) << 90) - 1, (big(1) << 45) + 1},
        {(big(1) << 3000) - 1, 2},
        {(big(1) << 3000) - 1, 1},
        {(big(1) << 600) - 1, (big(1) << 300) - 1},
        {(big(1) << 640) - (big(1) << 320), (big(1) << 320) - 1},
        {(big(0x20000000) << 600) + 1, big(0x20000000) << 300},
        {(big(0x3fffffff) << 600), (big(0x3fffffff) << 270) + 0x3fffffff},
        {(big(1) << 129) - 1, (big(1) << 64) + 1},
        {(big(1) << 128) * 3 + 7, (big(1) << 64) - 1},
        {big(1) << 200, big(1) << 200},
        {-(big(1) << 200), big(1) << 200},
    };
    for (const auto& c : cases)
        check_all(c[0], c[1], 1, 0, g);
}

TEST(Div, ZeroDividendGoesThroughTheDivision)
{
    // No shortcut for a zero dividend in mpz_div: the quotient still passes
    // through the division's two-digit temporary, so a long p shrinks.
    rec p(big(5), 10), zero, b(big(7) << 100);
    mpz_div(p.p(), zero.p(), b.p());
    EXPECT_EQ(p.r.len, 2u);
    EXPECT_EQ(p.r.sign, 0);
    rec m(big(5), 10);
    mpz_mod(m.p(), zero.p(), b.p());
    EXPECT_EQ(m.r.len, 11u) << "mpz_mod of a zero dividend only clears p";
}

// Operands below 2^128 are divided as single 128-bit values and stored
// straight into the results: values at the edges of that path (limb and
// digit boundaries, 2^128 itself just past it), every sign, every aliasing
// and operands stored with zero digits above their values, against the
// model's values and stored lengths.
TEST(ShortDiv, EdgeValuesInEveryFormMatchTheModel)
{
    operands g(38);
    const big one = 1;
    const big dividends[] = {0,
                             1,
                             (one << 30) - 1,
                             one << 30,
                             (one << 32) + 5,
                             (one << 64) - 1,
                             one << 64,
                             (one << 90) - 1,
                             (one << 120) - 1,
                             one << 120,
                             (one << 127) + 3,
                             (one << 128) - 1,
                             one << 128,
                             (one << 150) - 1};
    const big divisors[] = {1,
                            3,
                            one << 29,
                            (one << 30) - 1,
                            one << 30,
                            one << 63,
                            (one << 64) - 1,
                            one << 64,
                            (one << 64) + 1,
                            (one << 96) - 7,
                            one << 127,
                            (one << 128) - 1,
                            one << 128};
    for (const big& a : dividends) {
        for (const big& b : divisors) {
            for (int signs = 0; signs < 4; ++signs) {
                const big sa = signs & 1 ? big(-a) : a, sb = signs & 2 ? big(-b) : b;
                check_all(sa, sb, (signs & 1) * 2, signs & 2 ? 1 : 0, g);
                if (HasFatalFailure())
                    return;
            }
        }
    }
}

TEST(DivRandom, ShortOperandsMatchTheModel)
{
    // Dividends and divisors of up to 130 bits, shaped to stress the
    // estimate (runs of ones, top digits near 2^29 and 2^30).
    operands g(39);
    for (int i = 0; i < 400; ++i) {
        const big a = g.value(130), b = g.value(i % 3 == 0 ? 130 : 70);
        if (b == 0)
            continue;
        check_all(a, b, g.pick(0, 2), g.pick(0, 2), g);
        if (HasFatalFailure())
            return;
    }
}

TEST(ShortDiv, WideKernelMatchesOracle)
{
    // divide_wide on 128-bit values: one-limb divisors with quotients of one
    // and two limbs, two-limb divisors with the quotient estimate off by
    // one either way, and remainders just below the divisor.
    operands g(40);
    const big limit = big(1) << 128;
    auto as_wide = [](const big& v) {
        return (zbig::wide(static_cast<zbig::limb>(v >> 64)) << 64) |
               static_cast<zbig::limb>(v & 0xffffffffffffffffull);
    };
    auto as_big = [](zbig::wide v) {
        return (big(static_cast<zbig::limb>(v >> 64)) << 64) | static_cast<zbig::limb>(v);
    };
    for (int i = 0; i < 20000; ++i) {
        big b = g.magnitude(128) % limit;
        if (b == 0)
            b = 1 + g.pick(0, 5);
        big a;
        switch (i % 3) {
        case 0:
            a = g.magnitude(128) % limit;
            break;
        case 1: { // a = q b + (b - 1), the largest remainder
            const big q = (limit - 1 - (b - 1)) / b;
            a = (q >> g.pick(0, 64)) * b + (b - 1);
            break;
        }
        default: // a = q b exactly
            a = ((limit - 1) / b >> g.pick(0, 64)) * b;
            break;
        }
        zbig::wide rem;
        const zbig::wide quo = zbig::divide_wide(as_wide(a), as_wide(b), rem);
        ASSERT_EQ(as_big(quo), a / b) << hex(a) << " / " << hex(b);
        ASSERT_EQ(as_big(rem), a % b) << hex(a) << " % " << hex(b);
    }
}

TEST(ShortDiv, MagnitudeOutputsWrittenInFull)
{
    // divide_magnitudes on short operands writes every digit of the spans
    // it is given, zero above the values, and none beyond them.
    const big one = 1;
    const struct {
        big a, b;
    } cases[] = {{(one << 128) - 1, 7},
                 {(one << 128) - 1, (one << 64) + 1},
                 {(one << 100) + 12345, (one << 99) + 1},
                 {5, one << 90},
                 {(one << 60) - 1, (one << 30) - 1}};
    for (const auto& c : cases) {
        const auto digits = [](big v) {
            std::vector<zbig::digit> d;
            for (; v != 0; v >>= 30)
                d.push_back(static_cast<zbig::digit>(v & 0x3fffffff));
            return d;
        };
        const std::vector<zbig::digit> a = digits(c.a), b = digits(c.b);
        const big q = c.a / c.b, r = c.a % c.b;
        for (std::size_t extra : {0u, 3u}) {
            const std::size_t qn = std::max<std::size_t>(digits(q).size(), 1) + extra,
                              rn = b.size() + extra;
            std::vector<zbig::digit> qd(qn + 1, 0xffffffffu), rd(rn + 1, 0xffffffffu);
            zbig::divide_magnitudes({qd.data(), qn}, {rd.data(), rn}, a, b);
            EXPECT_EQ(qd[qn], 0xffffffffu) << hex(c.a) << " / " << hex(c.b);
            EXPECT_EQ(rd[rn], 0xffffffffu) << hex(c.a) << " % " << hex(c.b);
            qd.pop_back();
            rd.pop_back();
            big qv = 0, rv = 0;
            import_bits(qv, qd.begin(), qd.end(), 30, false);
            import_bits(rv, rd.begin(), rd.end(), 30, false);
            EXPECT_EQ(qv, q) << hex(c.a) << " / " << hex(c.b) << " in " << qn << " digits";
            EXPECT_EQ(rv, r) << hex(c.a) << " % " << hex(c.b) << " in " << rn << " digits";
        }
    }
}

TEST(LargeDiv, KernelMatchesOracleOnLongOperands)
{
    operands g(34);
    const unsigned sizes[][2] = {{100, 60},     {3000, 1500}, {4000, 3990},
                                 {20000, 9000}, {20000, 300}, {64 * 70, 64 * 3}};
    for (const auto& s : sizes) {
        for (int shape = 0; shape < 3; ++shape) {
            big a = shape == 0 ? g.random_bits(s[0]) : (big(1) << s[0]) - 1;
            big b =
                shape == 2 ? (big(1) << s[1]) - 1 : g.random_bits(s[1]) | (big(1) << (s[1] - 1));
            rec ar(a), br(b), q, r;
            mpz_divmod(q.p(), r.p(), ar.p(), br.p());
            ASSERT_EQ(value_of(q.p()), a / b)
                << "sizes " << s[0] << "/" << s[1] << " shape " << shape;
            ASSERT_EQ(value_of(r.p()), a % b)
                << "sizes " << s[0] << "/" << s[1] << " shape " << shape;
        }
    }
}

TEST(LargeDiv, ReciprocalIsExact)
{
    // floor((B^2p - 1) / v) for normalised v, from the schoolbook base to
    // several Newton levels, with extreme and random divisors.
    operands g(35);
    for (std::size_t p : {1, 2, 3, 40, 64, 65, 100, 131, 300, 777}) {
        for (int shape = 0; shape < 3; ++shape) {
            big v = shape == 0   ? g.random_bits(64 * unsigned(p)) | (big(1) << (64 * p - 1))
                    : shape == 1 ? (big(1) << (64 * p)) - 1
                                 : big(1) << (64 * p - 1);
            std::vector<zbig::limb> lv(p), inv(p + 1);
            big t = v;
            for (auto& l : lv) {
                l = static_cast<zbig::limb>(t & 0xffffffffffffffffull);
                t >>= 64;
            }
            zbig::limbs_reciprocal(inv.data(), lv.data(), p);
            big got = 0;
            for (std::size_t i = inv.size(); i-- > 0;)
                got = (got << 64) | inv[i];
            ASSERT_EQ(got, ((big(1) << (128 * p)) - 1) / v) << "p = " << p << " shape " << shape;
        }
    }
}

TEST(DivThresholds, BlockDivisionWithSmallOperands)
{
    // The reciprocal block division and the Newton reciprocal lowered to a
    // few limbs, so that operands of a few hundred bits take them, with
    // quotients longer and shorter than the divisor and remainders just
    // below it; a = q b + r with 0 <= r < b pins both results.
    const zbig::threshold_override low(
        {.digit_mul = zbig::tuned_thresholds.digit_mul,
         .digit_sqr = zbig::tuned_thresholds.digit_sqr,
         .karatsuba = 3,
         .karatsuba_sqr = 3,
         .ntt = zbig::tuned_thresholds.ntt,
         .ntt_sqr = zbig::tuned_thresholds.ntt_sqr,
         .div_reciprocal = 2,
         .reciprocal_base = 4,
         .radix_divide_and_conquer = zbig::tuned_thresholds.radix_divide_and_conquer});
    operands g(37);
    const unsigned sizes[][2] = {
        {256, 128},         {64 * 9 + 5, 64 * 3 + 1}, {64 * 20, 64 * 6},  {64 * 20, 64 * 13},
        {64 * 31, 64 * 15}, {64 * 40 + 9, 64 * 9},    {64 * 40, 64 * 30}, {64 * 18, 64 * 17}};
    for (const auto& s : sizes) {
        for (int shape = 0; shape < 4; ++shape) {
            const big b = shape == 2   ? (big(1) << s[1]) - 1
                          : shape == 3 ? (big(1) << (s[1] - 1)) + 1
                                       : g.random_bits(s[1]) | (big(1) << (s[1] - 1));
            big a = shape == 1 ? (big(1) << s[0]) - 1 : g.random_bits(s[0]);
            if (shape == 3)
                a = b * ((big(1) << (s[0] - s[1])) - 1) + (b - 1);
            rec ar(a), br(b), q, r;
            mpz_divmod(q.p(), r.p(), ar.p(), br.p());
            const big qv = value_of(q.p()), rv = value_of(r.p());
            ASSERT_TRUE(qv * b + rv == a && rv >= 0 && rv < b)
                << "sizes " << s[0] << "/" << s[1] << " shape " << shape;
        }
    }
    // The reciprocal alone, above its schoolbook size.
    for (std::size_t p : {5u, 6u, 9u, 17u}) {
        const big v = g.random_bits(64 * unsigned(p)) | (big(1) << (64 * p - 1));
        const auto lv = to_limbs(v, p);
        std::vector<zbig::limb> inv(p + 1);
        zbig::limbs_reciprocal(inv.data(), lv.data(), p);
        ASSERT_EQ(from_limbs(inv), ((big(1) << (128 * p)) - 1) / v) << "p = " << p;
    }
}

TEST(LargeDiv, BlockDivisionAboveItsThreshold)
{
    // Divisors and quotients beyond the threshold of the reciprocal
    // division, balanced and not, with remainders that need the correction.
    // The quotient and remainder are the only pair with a = q b + r and
    // 0 <= r < b, which cpp_int checks with a multiplication.
    operands g(36);
    const unsigned t = 64 * unsigned(zbig::thresholds.div_reciprocal);
    // The last pair has a quotient shorter than the divisor, estimated from
    // the divisor's top limbs only.
    const unsigned sizes[][2] = {
        {2 * t + 64, t + 1}, {3 * t + 17, t + 200}, {2 * t + 600 * 64, t + 500 * 64}};
    for (const auto& s : sizes) {
        for (int shape = 0; shape < 4; ++shape) {
            const big b = shape == 2   ? (big(1) << s[1]) - 1
                          : shape == 3 ? (big(1) << (s[1] - 1)) + 1
                                       : g.random_bits(s[1]) | (big(1) << (s[1] - 1));
            big a = shape == 1 ? (big(1) << s[0]) - 1 : g.random_bits(s[0]);
            if (shape == 3)
                a = b * ((big(1) << (s[0] - s[1])) - 1) + (b - 1); // remainder just below b
            rec ar(a), br(b), q, r;
            mpz_divmod(q.p(), r.p(), ar.p(), br.p());
            const big qv = value_of(q.p()), rv = value_of(r.p());
            ASSERT_TRUE(qv * b + rv == a && rv >= 0 && rv < b)
                << "sizes " << s[0] << "/" << s[1] << " shape " << shape;
        }
    }
}

// Quotient and remainder in one record used to free digits that the second
// write still read (a heap use-after-free when |a| < |b|); now the slip ends
// the process with a message that names it, whatever the operands.
TEST(DivFatal, QuotientAndRemainderInOneRecord)
{
    const struct {
        big a, b;
    } operands[] = {{5, 7}, {-5, 7}, {big(1) << 200, 3}, {0, 9}, {7, 0}};
    const struct {
        const char* name;
        std::function<void(mpz_rec*, const mpz_rec*, const mpz_rec*)> call;
        const char* message;
    } forms[] = {
        {"mpz_divmod",
         [](mpz_rec* qr, const mpz_rec* a, const mpz_rec* b) { mpz_divmod(qr, qr, a, b); },
         "mpz_divmod: quotient and remainder must be different records\n"},
        {"mpz_mdivmod",
         [](mpz_rec* qr, const mpz_rec* a, const mpz_rec* b) { mpz_mdivmod(qr, qr, a, b); },
         "mpz_mdivmod: quotient and remainder must be different records\n"},
        {"mpz_divmod_ui",
         [](mpz_rec* qr, const mpz_rec* a, const mpz_rec* b) {
             mpz_divmod_ui(qr, qr, a, mpz_get_ui(b));
         },
         "mpz_divmod: quotient and remainder must be different records\n"},
        {"mpz_mdivmod_ui",
         [](mpz_rec* qr, const mpz_rec* a, const mpz_rec* b) {
             mpz_mdivmod_ui(qr, qr, a, mpz_get_ui(b));
         },
         "mpz_mdivmod: quotient and remainder must be different records\n"},
    };
    for (const auto& f : forms) {
        for (const auto& o : operands) {
            rec qr(big(3)), a(o.a), b(o.b);
            const child_result r = in_child([&] { f.call(qr.p(), a.p(), b.p()); });
            EXPECT_EQ(r.status, 123) << f.name << "(q, q, " << o.a << ", " << o.b << ")";
            EXPECT_EQ(r.err, f.message) << f.name;
        }
    }
}
