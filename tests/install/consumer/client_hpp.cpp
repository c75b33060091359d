#include <qarith.hpp>
#include <zbig.hpp>

#include <iostream>
#include <stdexcept>

int main()
{
    using fsmdkit::bigint;
    // Unbounded integers: values with operators, freed on scope exit.
    const bigint f = fsmdkit::factorial(30);
    const bigint m("ffffffffffffffffffffffff", 16);
    std::cout << "30! = " << f << "\n"
              << "30! mod m = " << std::hex << f % m << std::dec << "\n"
              << "-7 / 2 = " << bigint(-7) / 2 << ", floor_div = " << floor_div(bigint(-7), 2)
              << "\n"
              << "-5 >> 1 = " << (bigint(-5) >> 1) << " (the magnitude is shifted)\n";
    try {
        bigint bad("12z4");
    } catch (const std::invalid_argument& e) {
        std::cout << "refused: " << e.what() << "\n";
    }

    // Fixed point: 9 integer bits, 6 fraction bits, 10 guard bits,
    // saturation and truncation; results take the left operand's format.
    using fsmdkit::fixed;
    const auto q9_6 = fsmdkit::fixed_format::make(9, 6, 10);
    const fixed a(10, q9_6), b(3, q9_6);
    std::cout << "10 / 3 = " << a / b << " (bits " << (a / b).to_bits() << ")\n"
              << "20 * 20 = " << fixed(20, q9_6) * fixed(20, q9_6) << " (saturated)\n"
              << "-2.7 = " << fixed(-2.7, q9_6) << "\n";
    try {
        (void)(a / fixed(0, q9_6));
    } catch (const std::domain_error& e) {
        std::cout << "refused: " << e.what() << "\n";
    }
    return 0;
}
