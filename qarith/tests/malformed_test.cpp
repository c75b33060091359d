// Records with malformed formats (shift counts outside 0..31, F < 0, G < 0,
// fields near the 32-bit limits) give unspecified values, but no operation
// may crash, write outside its buffer or run into undefined behaviour; the
// sanitized build turns any of those into a failure of this test.
#include "exact_model.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace
{

using namespace qarith_test;

int32_t random_field(std::mt19937& rng)
{
    static constexpr int32_t kCorners[] = {INT32_MIN,
                                           INT32_MIN + 1,
                                           -1000,
                                           -64,
                                           -33,
                                           -32,
                                           -31,
                                           -2,
                                           -1,
                                           0,
                                           1,
                                           2,
                                           4,
                                           6,
                                           15,
                                           16,
                                           30,
                                           31,
                                           32,
                                           33,
                                           63,
                                           64,
                                           65,
                                           127,
                                           128,
                                           1000,
                                           INT32_MAX - 1,
                                           INT32_MAX};
    switch (rng() % 3) {
    case 0:
        return kCorners[rng() % std::size(kCorners)];
    case 1:
        return std::uniform_int_distribution<int32_t>(-70, 70)(rng);
    default:
        return static_cast<int32_t>(rng());
    }
}

fxp_t random_record(std::mt19937& rng)
{
    fxp_t x;
    x.value = random_field(rng);
    x.wl = random_field(rng);
    x.iwl = random_field(rng);
    x.point = random_field(rng);
    x.ovf_mode =
        static_cast<int32_t>(rng() % 4 == 0 ? random_field(rng) : static_cast<int32_t>(rng() % 6));
    x.q_mode =
        static_cast<int32_t>(rng() % 4 == 0 ? random_field(rng) : static_cast<int32_t>(rng() % 7));
    return x;
}

double random_double(std::mt19937& rng)
{
    static constexpr double kCorners[] = {0.0,
                                          -0.0,
                                          0.5,
                                          -2.5,
                                          1e300,
                                          -1e300,
                                          4294967296.5,
                                          -2147483648.0,
                                          5e-324,
                                          std::numeric_limits<double>::infinity(),
                                          -std::numeric_limits<double>::infinity(),
                                          std::numeric_limits<double>::quiet_NaN()};
    if (rng() % 2)
        return kCorners[rng() % std::size(kCorners)];
    return std::ldexp(std::uniform_real_distribution<double>(-1.0, 1.0)(rng),
                      std::uniform_int_distribution<int>(-1100, 1030)(rng));
}

// Text only for word lengths whose text is small enough to hold.
bool printable(const fxp_t& x)
{
    return x.wl >= -4 && x.wl <= 300;
}

TEST(Malformed, EveryOperationIsSafe)
{
    std::mt19937 rng(31337);
    for (int i = 0; i < rounds(20000); ++i) {
        const fxp_t a = random_record(rng);
        const fxp_t b = random_record(rng);
        fxp_t r = random_record(rng);
        SCOPED_TRACE("a " + describe(a) + " b " + describe(b) + " r " + describe(r));

        testing::internal::CaptureStderr();
        fxp_add(&r, &a, &b);
        fxp_sub(&r, &a, &b);
        fxp_mul(&r, &a, &b);
        fxp_div(&r, &a, &b);
        fxp_neg(&r, &a);
        fxp_abs(&r, &a);
        fxp_min(&r, &a, &b);
        fxp_max(&r, &a, &b);
        fxp_ceil(&r, &a);
        fxp_t q = a;
        fxp_quantize(&q);
        fxp_overflow(&q);
        fxp_to_int32(&q);
        (void)int32_to_fxp(b.value, a.wl, a.iwl, a.point, a.ovf_mode, a.q_mode);
        (void)fxp_create(a.value, a.iwl, b.wl, a.ovf_mode, a.q_mode, b.point);
        (void)fxp(a.value, a.iwl, a.wl, 0, static_cast<char>(rng()));
        fxp_t s = b;
        static constexpr char kSigns[] = {'s', 'u', 'x'};
        fxp_resize(&s, random_field(rng), random_field(rng), kSigns[rng() % 3]);
        fxp_t d = b;
        double_to_fxp(random_double(rng), &d);
        (void)fxp_to_double(&a);
        (void)fxp_to_double(&d);
        std::string digits;
        for (unsigned k = rng() % 80; k > 0; --k)
            digits += "01.x\xff"[rng() % 5];
        string_to_fxp(digits.c_str(), random_field(rng), &d);
        testing::internal::GetCapturedStderr();

        if (printable(a)) {
            const int base = random_field(rng);
            // Exactly wl + 2 bytes: AddressSanitizer catches any write past them.
            const auto size = static_cast<size_t>(a.wl + 2 > 0 ? a.wl + 2 : 0);
            std::vector<char> buf(size, '#');
            char outside = '#';
            fxp_to_string(&a, base, size > 0 ? buf.data() : &outside);
            EXPECT_EQ(outside, '#');
            if (size > 0) {
                EXPECT_NE(std::memchr(buf.data(), '\0', size), nullptr);
            }
            testing::internal::CaptureStdout();
            fxp_print(&a, base);
            const std::string printed = testing::internal::GetCapturedStdout();
            EXPECT_LE(printed.size(), size);
        }
    }
}

} // namespace
