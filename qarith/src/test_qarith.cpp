// test-qarith: runs every qarith operation on a fixed sequence of operands
// and prints operands and results, so that runs can be compared. Library
// messages (the division by zero of each arithmetic round) go to standard
// error. It checks nothing itself, but its output is its result: when that
// cannot be written (a full disk, a closed standard output) it says so and
// exits with status 1.
#include "qarith.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace
{

// The format of the first tests: 9 integer and 6 fraction bits, point at 16.
constexpr fxp_t kFormat9x6 = {0, 15, 9, 16, FXP_OVF_SAT, FXP_Q_TRUNC};
// The format of the value listing: 4 integer and 4 fraction bits.
constexpr fxp_t kFormat4x4 = {0, 8, 4, 16, FXP_OVF_SAT, FXP_Q_TRUNC};

constexpr const char* kTestStrings[] = {"000001101.110101", "110000001.000011", "101010101.001110"};
constexpr double kDoubles[] = {6.125, 0.111, 0.99, 1.0, 1.02};
constexpr double kListing[] = {-2.5, -1.75, -1.25, -0.5, 0.5, 1.25, 1.75, 2.5};

void set_integer(fxp_t& x, int n)
{
    x.value = static_cast<int>(static_cast<unsigned>(n) << x.point);
}

// Prints the integer parts of the operands and the result of an operation.
void print_result(const char* format, const fxp_t& a, const fxp_t& b, const fxp_t& r)
{
    std::printf(format, fxp_to_int32(&a), fxp_to_int32(&b), fxp_to_int32(&r));
}

void arithmetic_test(fxp_t& a, fxp_t& b, fxp_t& r)
{
    std::puts("Test: fxp_add, fxp_sub, fxp_mul, fxp_div, fxp_neg, fxp_min, fxp_max");
    for (int i = 0; i <= 10; ++i) {
        set_integer(a, i);
        fxp_neg(&r, &a);
        std::printf("- %d = %d\n", fxp_to_int32(&a), fxp_to_int32(&r));
        for (int j = 0; j <= 10; ++j) {
            set_integer(b, j);
            fxp_add(&r, &a, &b);
            print_result("%d + %d = %d\n", a, b, r);
            fxp_sub(&r, &a, &b);
            print_result("%d - %d = %d\n", a, b, r);
            fxp_mul(&r, &a, &b);
            print_result("%d * %d = %d\n", a, b, r);
            std::printf("a = ");
            fxp_print(&a, 2);
            std::printf("\nb = ");
            fxp_print(&b, 2);
            std::printf("\nr = ");
            fxp_print(&r, 2);
            std::printf("\n");
            // For j = 0 the division is refused and r keeps the product.
            fxp_div(&r, &a, &b);
            print_result("%d / %d = %d\n", a, b, r);
            fxp_min(&r, &a, &b);
            print_result("min(%d, %d) = %d\n", a, b, r);
            fxp_max(&r, &a, &b);
            print_result("max(%d, %d) = %d\n", a, b, r);
        }
    }
}

void double_conversion_test(fxp_t& r)
{
    std::puts("Test: double_to_fxp");
    for (const double d : kDoubles) {
        double_to_fxp(d, &r);
        std::printf("\nr = ");
        fxp_print(&r, 2);
        std::printf(" (d = %lf)\n", d);
    }
}

void string_conversion_test(fxp_t& r)
{
    std::puts("Test: string_to_fxp");
    for (const char* s : kTestStrings) {
        string_to_fxp(s, 2, &r);
        std::printf("\nr = ");
        fxp_print(&r, 2);
        std::printf("\nTest: fxp_to-double");
        std::printf("\nfxp_to_double(%s) = %lf", s, fxp_to_double(&r));
    }
}

void resize_test(fxp_t& r)
{
    std::puts("\nTest: fxp_resize");
    fxp_resize(&r, 1, 2, 's');
    std::printf("\nr = ");
    fxp_print(&r, 2);
    std::printf("\n");
}

void value_listing(fxp_t& a, fxp_t& r)
{
    std::puts("Test: ceil, fix, floor");
    a = kFormat4x4;
    r = kFormat4x4;
    for (const double x : kListing) {
        double_to_fxp(x, &a);
        std::printf("\na = ");
        fxp_print(&a, 2);
    }
}

} // namespace

int main()
{
    fxp_t a = kFormat9x6;
    fxp_t b = kFormat9x6;
    fxp_t r = kFormat9x6;
    arithmetic_test(a, b, r);
    double_conversion_test(r);
    string_conversion_test(r);
    resize_test(r);
    value_listing(a, r);
    // Buffered output meets its errors here at the latest; a failed write
    // earlier left the error flag set.
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    if (!flushed || std::ferror(stdout)) {
        const int error = errno;
        std::fprintf(stderr, "test-qarith: cannot write standard output%s%s\n",
                     error != 0 ? ": " : "", error != 0 ? std::strerror(error) : "");
        return 1;
    }
    return 0;
}
