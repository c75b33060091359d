// The C++ value type of zbig.hpp against Boost cpp_int: operators and named
// functions on random operands, the places where its semantics differ from
// built-in integers, the errors it reports instead of ending the process,
// and ownership of the record (copies, moves, self-assignment).
#include "zbig.hpp"

#include <boost/multiprecision/cpp_int.hpp>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace
{

using fsmdkit::bigint;
using big = boost::multiprecision::cpp_int;

// Values cross over by hexadecimal text, which both sides read and write.
big to_big(const bigint& x)
{
    std::string s = x.to_string(16);
    const bool negative = !s.empty() && s[0] == '-';
    big m(std::string("0x") + (negative ? s.substr(1) : s));
    return negative ? big(-m) : m;
}

bigint from_big(const big& v)
{
    std::ostringstream os;
    os << std::hex << abs(v);
    return bigint((v < 0 ? "-" : "") + os.str(), 16);
}

// Random operands: up to `bits` bits, runs of ones and zeros to stress
// carries, either sign.
big random_big(std::mt19937_64& rng, unsigned bits)
{
    const unsigned n = std::uniform_int_distribution<unsigned>(0, bits)(rng);
    big v = 0;
    const int shape = int(rng() % 3);
    for (unsigned i = 0; i < n; i += 64) {
        std::uint64_t w = shape == 0   ? rng()
                          : shape == 1 ? ~std::uint64_t(0)
                                       : (rng() & 0xff00ff00000000ffu);
        v = (v << 64) | w;
    }
    if (n > 0)
        v &= (big(1) << n) - 1;
    return rng() % 2 ? big(-v) : v;
}

int sgn(const big& v)
{
    return v < 0 ? -1 : v > 0 ? 1 : 0;
}

// The C library's digit-wise logic: magnitudes combined, sign by table.
big magnitude_logic(char op, const big& a, const big& b)
{
    const big m = op == '&'   ? big(abs(a) & abs(b))
                  : op == '|' ? big(abs(a) | abs(b))
                              : big(abs(a) ^ abs(b));
    const bool na = a < 0, nb = b < 0;
    const bool negative = op == '&' ? (na && nb) : op == '|' ? (na || nb) : (na != nb);
    return negative ? big(-m) : m;
}

big floor_quotient(const big& a, const big& b)
{
    big q = a / b;
    if (q * b != a && ((a < 0) != (b < 0)))
        --q;
    return q;
}

struct binary_case {
    const char* name;
    std::function<bigint(const bigint&, const bigint&)> under_test;
    std::function<big(const big&, const big&)> oracle;
    bool divides;
};

const std::vector<binary_case>& binary_cases()
{
    static const std::vector<binary_case> cases = {
        {"+", [](auto& a, auto& b) { return a + b; }, [](auto& a, auto& b) { return big(a + b); },
         false},
        {"-", [](auto& a, auto& b) { return a - b; }, [](auto& a, auto& b) { return big(a - b); },
         false},
        {"*", [](auto& a, auto& b) { return a * b; }, [](auto& a, auto& b) { return big(a * b); },
         false},
        {"/", [](auto& a, auto& b) { return a / b; }, [](auto& a, auto& b) { return big(a / b); },
         true},
        {"%", [](auto& a, auto& b) { return a % b; }, [](auto& a, auto& b) { return big(a % b); },
         true},
        {"floor_div", [](auto& a, auto& b) { return floor_div(a, b); }, floor_quotient, true},
        {"floor_mod", [](auto& a, auto& b) { return floor_mod(a, b); },
         [](auto& a, auto& b) { return big(a - floor_quotient(a, b) * b); }, true},
        {"&", [](auto& a, auto& b) { return a & b; },
         [](auto& a, auto& b) { return magnitude_logic('&', a, b); }, false},
        {"|", [](auto& a, auto& b) { return a | b; },
         [](auto& a, auto& b) { return magnitude_logic('|', a, b); }, false},
        {"^", [](auto& a, auto& b) { return a ^ b; },
         [](auto& a, auto& b) { return magnitude_logic('^', a, b); }, false},
        {"gcd", [](auto& a, auto& b) { return gcd(a, b); },
         [](auto& a, auto& b) { return big(gcd(a, b)); }, false},
    };
    return cases;
}

TEST(BigintRandom, BinaryOperatorsAgreeWithOracle)
{
    std::mt19937_64 rng(20261208);
    for (const unsigned bits : {40u, 200u, 3000u}) {
        for (int i = 0; i < 300; ++i) {
            const big a = random_big(rng, bits), b = random_big(rng, bits);
            const bigint x = from_big(a), y = from_big(b);
            for (const binary_case& c : binary_cases()) {
                if (c.divides && b == 0)
                    continue;
                ASSERT_EQ(to_big(c.under_test(x, y)), c.oracle(a, b))
                    << "a = " << a << "\nb = " << b << "\nop " << c.name;
            }
            ASSERT_EQ((x <=> y) == 0, a == b) << a << " " << b;
            ASSERT_EQ((x <=> y) < 0, a < b) << a << " " << b;
            ASSERT_EQ(x == y, a == b) << a << " " << b;
            // Compound forms and rvalue operands reuse a record; they must
            // agree with the fresh-record forms.
            bigint z = x;
            z *= y;
            z -= x;
            ASSERT_EQ(to_big(z), big(a * b - a)) << a << " " << b;
            ASSERT_EQ(to_big(bigint(x) + y), big(a + b)) << a << " " << b;
            if (b != 0) {
                const auto [q, r] = divmod(x, y);
                ASSERT_EQ(to_big(q), big(a / b)) << a << " " << b;
                ASSERT_EQ(to_big(r), big(a % b)) << a << " " << b;
                const auto [fq, fr] = floor_divmod(x, y);
                ASSERT_EQ(to_big(fq), floor_quotient(a, b)) << a << " " << b;
                ASSERT_EQ(sgn(to_big(fr)) * sgn(b) >= 0, true) << a << " " << b;
                ASSERT_EQ(to_big(fq) * b + to_big(fr), a) << a << " " << b;
            }
        }
    }
}

TEST(BigintRandom, ShiftsAgreeWithOracle)
{
    std::mt19937_64 rng(7);
    for (int i = 0; i < 2000; ++i) {
        const big a = random_big(rng, 500);
        const unsigned n = unsigned(rng() % 200);
        const bigint x = from_big(a);
        ASSERT_EQ(to_big(x << n), big(a << n)) << "a = " << a << " n = " << n;
        // Right shift of the magnitude: rounds toward zero.
        const big expect = a < 0 ? big(-(big(-a) >> n)) : big(a >> n);
        ASSERT_EQ(to_big(x >> n), expect) << "a = " << a << " n = " << n;
        bigint y = x;
        y >>= n;
        ASSERT_EQ(y, x >> n) << "a = " << a << " n = " << n;
    }
}

// Digits of |v| in base b by repeated division, for bases Boost cannot print.
std::string oracle_text(big v, int base)
{
    if (v == 0)
        return "0";
    const bool negative = v < 0;
    v = abs(v);
    std::string s;
    while (v != 0) {
        const int d = static_cast<int>(v % base);
        s.insert(s.begin(), "0123456789abcdefghijklmnopqrstuvwxyz"[d]);
        v /= base;
    }
    return negative ? "-" + s : s;
}

TEST(BigintRandom, TextRoundTripsInEveryBase)
{
    std::mt19937_64 rng(99);
    for (int base = 2; base <= 36; ++base) {
        for (int i = 0; i < 20; ++i) {
            const big a = random_big(rng, 400);
            const std::string text = oracle_text(a, base);
            ASSERT_EQ(from_big(a).to_string(base), text) << "a = " << a << " base " << base;
            ASSERT_EQ(to_big(bigint(text, base)), a) << "text " << text << " base " << base;
        }
    }
}

TEST(BigintRandom, NumberTheoryAgreesWithOracle)
{
    std::mt19937_64 rng(3);
    for (int i = 0; i < 200; ++i) {
        const big a = random_big(rng, 300), b = random_big(rng, 300);
        const bigint x = from_big(a), y = from_big(b);
        const unsigned e = unsigned(rng() % 12);
        ASSERT_EQ(to_big(pow(x, e)), big(boost::multiprecision::pow(a, e))) << a << " ^ " << e;

        if (b != 0) {
            // Truncating reduction: |b|^e mod |m| with the sign of a^e.
            const big ee = abs(random_big(rng, 100));
            big m = boost::multiprecision::powm(abs(a), ee, abs(b));
            if (a < 0 && ee % 2 == 1)
                m = -m;
            ASSERT_EQ(to_big(powm(x, from_big(ee), y)), m) << a << " ^ " << ee << " mod " << b;
        }

        const auto [g, s, t] = gcdext(x, y);
        ASSERT_EQ(to_big(x * s + y * t), to_big(g)) << a << " " << b;
        ASSERT_EQ(big(abs(to_big(g))), big(gcd(a, b))) << a << " " << b;

        const big n = abs(a);
        const auto [root, rem] = sqrtrem(from_big(n));
        ASSERT_EQ(to_big(root), big(boost::multiprecision::sqrt(n))) << n;
        ASSERT_EQ(to_big(root * root + rem), n) << n;
        ASSERT_EQ(sqrt(from_big(n)), root) << n;
    }
}

// The Jacobi symbol by the reciprocity algorithm, on the oracle's integers.
int oracle_jacobi(big a, big n)
{
    int j = 1;
    a %= n;
    if (a < 0)
        a += n;
    while (a != 0) {
        while (a % 2 == 0) {
            a /= 2;
            const int r = static_cast<int>(n % 8);
            if (r == 3 || r == 5)
                j = -j;
        }
        std::swap(a, n);
        if (a % 4 == 3 && n % 4 == 3)
            j = -j;
        a %= n;
    }
    return n == 1 ? j : 0;
}

TEST(BigintRandom, JacobiAgreesWithOracle)
{
    std::mt19937_64 rng(11);
    for (int i = 0; i < 500; ++i) {
        const big a = random_big(rng, 200);
        big n = abs(random_big(rng, 200)) | 1;
        ASSERT_EQ(jacobi(from_big(a), from_big(n)), oracle_jacobi(a, n))
            << "a = " << a << " n = " << n;
    }
}

TEST(BigintNumberTheory, PrimalityAndFactorialOfSmallValues)
{
    for (int n = -50; n < 3000; ++n) {
        int m = n < 0 ? -n : n;
        bool prime = m >= 2;
        for (int d = 2; d * d <= m && prime; ++d)
            prime = m % d != 0;
        ASSERT_EQ(is_probable_prime(bigint(n), 5), prime) << n;
    }
    big f = 1;
    for (int n = 0; n <= 120; ++n) {
        if (n > 0)
            f *= n;
        ASSERT_EQ(to_big(fsmdkit::factorial(n)), f) << n;
    }
}

// Where bigint follows the C library and differs from int.
TEST(BigintSemantics, DifferFromBuiltInIntegers)
{
    struct row {
        bigint got;
        long long expected;
        const char* what;
    };
    const row rows[] = {
        {bigint(-5) >> 1, -2, "-5 >> 1 rounds toward zero"},
        {bigint(-1) >> 40, 0, "-1 >> 40 is 0"},
        {bigint(-6) | 3, -7, "-6 | 3 on magnitudes"},
        {bigint(-6) & -3, -2, "-6 & -3 on magnitudes"},
        {bigint(-6) ^ 3, -5, "-6 ^ 3 on magnitudes"},
        {bigint(-6) & 3, 2, "-6 & 3 is positive"},
        {bigint(-7) / 2, -3, "/ truncates"},
        {bigint(-7) % 2, -1, "% has the dividend's sign"},
        {floor_div(bigint(-7), 2), -4, "floor_div rounds down"},
        {floor_mod(bigint(-7), 2), 1, "floor_mod has the divisor's sign"},
        {floor_mod(bigint(7), -2), -1, "floor_mod has the divisor's sign"},
        {powm(bigint(-2), 3, 5), -3, "powm keeps the sign of an odd power"},
        {powm(bigint(-2), 2, 5), 4, "powm of an even power"},
        {fsmdkit::gcdext(4, -6).g, -2, "gcdext follows Euclid's chain"},
        {fsmdkit::gcdext(-4, 6).g, 2, "gcdext follows Euclid's chain"},
        {fsmdkit::gcd(-4, 6), 2, "gcd is never negative"},
    };
    for (const row& r : rows)
        EXPECT_EQ(r.got, r.expected) << r.what << ": got " << r.got;
}

TEST(BigintConversion, MachineIntegerExtremesRoundTrip)
{
    const std::int64_t signed_values[] = {0,
                                          1,
                                          -1,
                                          INT32_MIN,
                                          INT32_MAX,
                                          std::int64_t(INT32_MAX) + 1,
                                          std::int64_t(INT32_MIN) - 1,
                                          INT64_MIN,
                                          INT64_MAX,
                                          1LL << 32,
                                          -(1LL << 32)};
    for (const std::int64_t v : signed_values) {
        const bigint x(v);
        EXPECT_EQ(x.to<std::int64_t>(), v);
        EXPECT_EQ(x.to_string(), std::to_string(v));
        EXPECT_EQ(x, v);
        EXPECT_EQ(x <=> v, std::strong_ordering::equal) << v;
        EXPECT_TRUE(x < bigint(v) + 1) << v;
    }
    EXPECT_EQ(bigint(UINT64_MAX).to_string(), "18446744073709551615");
    EXPECT_EQ(bigint(UINT64_MAX).to<std::uint64_t>(), UINT64_MAX);
    EXPECT_EQ(bigint(INT32_MIN).to<int>(), INT32_MIN);
    EXPECT_EQ(bigint(std::uint32_t(4000000000u)), std::uint32_t(4000000000u));
    EXPECT_GT(bigint(std::uint32_t(4000000000u)), 3999999999LL);
    EXPECT_LT(bigint(-1), 0u) << "compares values, not converted bits";

    // Values the target type cannot hold.
    EXPECT_THROW((void)bigint(UINT64_MAX).to<std::int64_t>(), std::range_error);
    EXPECT_THROW((void)(bigint(UINT64_MAX) + 1).to<std::uint64_t>(), std::range_error);
    EXPECT_THROW((void)(bigint(INT64_MIN) - 1).to<std::int64_t>(), std::range_error);
    EXPECT_THROW((void)bigint(-1).to<unsigned>(), std::range_error);
    EXPECT_THROW((void)bigint(128).to<std::int8_t>(), std::range_error);
    EXPECT_EQ(bigint(-128).to<std::int8_t>(), -128);
}

TEST(BigintText, ParsingFollowsTheCLibrary)
{
    struct row {
        const char* text;
        int base;
        const char* decimal;
    };
    const row rows[] = {
        {"0x1F", 0, "31"},  {"017", 0, "15"},    {"0", 0, "0"},
        {"42", 0, "42"},    {"-ff", 16, "-255"}, {" 1 000\t000\n", 10, "1000000"},
        {"Zz", 36, "1295"}, {"-0", 10, "0"},     {"101", 2, "5"},
    };
    for (const row& r : rows)
        EXPECT_EQ(bigint(r.text, r.base).to_string(), r.decimal) << r.text << " base " << r.base;

    std::ostringstream os;
    os << bigint(-255) << ' ' << std::hex << bigint(-255) << ' ' << std::oct << bigint(8);
    EXPECT_EQ(os.str(), "-255 -ff 10");
}

TEST(BigintErrors, BadInputThrowsInsteadOfEndingTheProcess)
{
    const struct {
        const char* text;
        int base;
    } bad_text[] = {{"12a", 10}, {"2", 2},   {"", 10},    {"-", 10}, {"  ", 16}, {"0x", 0},
                    {"09", 0},   {"+5", 10}, {"1.5", 10}, {"5", 1},  {"5", 37},  {"5", -2}};
    for (const auto& t : bad_text)
        EXPECT_THROW(bigint(t.text, t.base), std::invalid_argument)
            << '"' << t.text << "\" base " << t.base;
    EXPECT_THROW(bigint(std::string_view("1\0"
                                         "2",
                                         3)),
                 std::invalid_argument);

    // A failed assign leaves the value as it was.
    bigint x(77);
    EXPECT_THROW(x.assign("7x7"), std::invalid_argument);
    EXPECT_EQ(x, 77);

    EXPECT_THROW((void)x.to_string(1), std::invalid_argument);
    EXPECT_THROW((void)x.to_string(37), std::invalid_argument);
    EXPECT_THROW((void)x.size_in_base(0), std::invalid_argument);

    const bigint zero;
    EXPECT_THROW(x / zero, std::domain_error);
    EXPECT_THROW(x % zero, std::domain_error);
    EXPECT_THROW(bigint(x) /= 0, std::domain_error);
    EXPECT_THROW(divmod(x, zero), std::domain_error);
    EXPECT_THROW(floor_div(x, zero), std::domain_error);
    EXPECT_THROW(floor_mod(x, zero), std::domain_error);
    EXPECT_THROW(floor_divmod(x, zero), std::domain_error);
    EXPECT_THROW(powm(x, 2, zero), std::domain_error);
    EXPECT_THROW(powm(x, -2, 7), std::domain_error);
    EXPECT_THROW(x << -1, std::domain_error);
    EXPECT_THROW(x >> -1, std::domain_error);
    EXPECT_THROW(x << (1LL << 33), std::range_error);
    EXPECT_THROW(pow(x, -1), std::domain_error);
    EXPECT_THROW(jacobi(x, 8), std::domain_error);
    EXPECT_THROW(jacobi(x, -3), std::domain_error);
    EXPECT_THROW(jacobi(x, zero), std::domain_error);
    EXPECT_THROW(sqrt(bigint(-4)), std::domain_error);
    EXPECT_THROW(sqrtrem(bigint(-4)), std::domain_error);
    EXPECT_THROW(is_probable_prime(x, -1), std::domain_error);
    EXPECT_THROW(fsmdkit::factorial(-1), std::domain_error);
    EXPECT_THROW(fsmdkit::factorial(1LL << 32), std::range_error);
    EXPECT_THROW(wrap_signed(x, 0), std::domain_error);
    EXPECT_THROW(wrap_unsigned(x, -1), std::domain_error);
    EXPECT_THROW(to_bits(x, 1LL << 32), std::range_error);
    EXPECT_THROW(fsmdkit::from_bits_signed(""), std::invalid_argument);
    for (const char* bits : {"012", "1 0", "-1", "0b1"})
        EXPECT_THROW(fsmdkit::from_bits_unsigned(bits), std::invalid_argument) << bits;
}

// A number of 2^31 bits has more base-2 digits than the C library can count
// in its int; its text would end the process, so the value type refuses it.
TEST(BigintErrors, HugeTextIsARangeError)
{
    const bigint huge = bigint(1) << 2147483640;
    EXPECT_THROW((void)huge.to_string(2), std::range_error);
    EXPECT_THROW((void)huge.size_in_base(2), std::range_error);
    EXPECT_EQ(huge.size_in_base(16), 536870918u) << "the same number counts in base 16";
    const bigint fits = bigint(1) << 2147483639;
    EXPECT_EQ(fits.size_in_base(2), 2147483641u);
}

// The answers the C library settles where number theory might differ.
TEST(BigintSemantics, ZeroExponentAndTheJacobiSymbolOfZero)
{
    for (int m : {1, -1, 7, -7})
        for (int b : {0, 5, -5})
            EXPECT_EQ(powm(bigint(b), 0, m), 1) << b << "^0 mod " << m;
    EXPECT_EQ(powm(bigint(5), 1, 1), 0);
    EXPECT_EQ(jacobi(bigint(0), 1), 0);
    EXPECT_EQ(jacobi(bigint(0), 3), 0);
    EXPECT_EQ(jacobi(bigint(1), 1), 1);
}

TEST(BigintOwnership, CopiesAreDeepAndMovesLeaveAUsableZero)
{
    bigint a = pow(bigint(3), 200);
    const bigint saved = a;
    bigint b = a;
    b += 1;
    EXPECT_EQ(a, saved) << "a copy shares no digits";

    const bigint& same = a;
    a = same; // self-assignment keeps the value
    EXPECT_EQ(a, saved);

    bigint c = std::move(a);
    EXPECT_EQ(c, saved);
    EXPECT_EQ(a, 0) << "a moved-from value reads as zero"; // NOLINT(bugprone-use-after-move)
    EXPECT_EQ(a + 5, 5);
    a += 7; // and takes a value again
    EXPECT_EQ(a, 7);

    bigint d = std::move(c);
    c = d; // copy-assign into a moved-from value
    EXPECT_EQ(c, saved);
    bigint e;
    e = std::move(d);
    d = std::move(e); // move back into the moved-from value
    EXPECT_EQ(d, saved);

    swap(b, d);
    EXPECT_EQ(b, saved);
    EXPECT_EQ(d, saved + 1);

    // Rvalue operands are reused as results and must not alias the others.
    bigint f = 10;
    bigint g = std::move(f) * f; // one record as result and both operands
    EXPECT_EQ(g, 100);
    EXPECT_EQ(-(bigint(5) - 8), 3);
    bigint h = 1;
    EXPECT_EQ(h++, 1);
    EXPECT_EQ(--h, 1);
    EXPECT_EQ(+h, 1);
}

// The examples the header and docs/cxx.md give for the two's complement
// functions (check_twos_complement.py holds them against Python's int at
// large).
TEST(BigintTwosComplement, DocumentedExamples)
{
    using fsmdkit::from_bits_signed;
    using fsmdkit::from_bits_unsigned;
    const struct {
        bigint got, expected;
        const char* what;
    } rows[] = {
        {wrap_unsigned(bigint(-1), 8), 255, "wrap_unsigned(-1, 8)"},
        {wrap_signed(bigint(200), 8), -56, "wrap_signed(200, 8)"},
        {from_bits_signed("1101"), -3, "from_bits_signed(1101)"},
        {from_bits_unsigned("1101"), 13, "from_bits_unsigned(1101)"},
        {from_bits_unsigned(""), 0, "from_bits_unsigned()"},
        {bit_and(bigint(-6), 3), 2, "bit_and(-6, 3)"},
        {bit_or(bigint(-6), 3), -5, "bit_or(-6, 3)"},
        {bit_xor(bigint(-6), 3), -7, "bit_xor(-6, 3)"},
        {bit_not(bigint(5)), -6, "bit_not(5)"},
        {shift_right_floor(bigint(-5), 1), -3, "shift_right_floor(-5, 1)"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(r.got, r.expected) << r.what;
    EXPECT_EQ(to_bits(bigint(-3), 4), "1101");
    EXPECT_EQ(to_bits(bigint(5), 0), "");
}

// Move assignment used to swap, leaving the target's old value in the source.
TEST(BigintOwnership, MoveAssignmentLeavesTheSourceZero)
{
    const bigint long_value = pow(bigint(3), 300);
    for (const bigint& old_target : {bigint(), bigint(-5), pow(bigint(7), 400)}) {
        bigint target = old_target;
        bigint source = long_value;
        target = std::move(source);
        EXPECT_EQ(target, long_value);
        EXPECT_EQ(source, 0) << "after moving into a target holding "
                             << old_target; // NOLINT(bugprone-use-after-move)
        EXPECT_EQ(source.to_string(), "0");
        source -= 4;
        EXPECT_EQ(source, -4) << "and takes a value again";
    }
    bigint a = long_value;
    bigint& alias = a;
    a = std::move(alias);
    EXPECT_EQ(a, long_value) << "moving into itself keeps the value";
}

// Values give their records to a per-thread cache on destruction; records
// must come back zeroed and short, and a thread's cache must be freed when
// the thread ends (the memcheck run sees any leak).
TEST(BigintOwnership, ReusedRecordsStartAsZeroInEveryThread)
{
    const auto work = [] {
        for (int i = 0; i < 50; ++i) {
            const bigint big_value = pow(bigint(7), 3000) * (i + 1);
            EXPECT_GT(big_value.size_in_base(2), 8000u);
        }
        const bigint fresh;
        EXPECT_EQ(fresh, 0);
        EXPECT_LE(fresh.c_rec()->len, 2u) << "a reused record keeps no stale length";
        EXPECT_EQ(bigint(5) * 3, 15);
    };
    std::thread t1(work), t2(work);
    work();
    t1.join();
    t2.join();
}

} // namespace
