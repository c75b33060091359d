// The kernels of small_mul.h: column by column, every index a constant.
#include "small_mul.h"

#include "digit_columns.h"

#include <algorithm>
#include <cstdint>

namespace zbig
{
namespace
{

// A digit product is below 2^60 - 2^31 + 2: a column of at most 9 of them
// plus the carry from the column below (under 2^34) fits 64 bits.
template <std::size_t AN, std::size_t BN> digit mul_fixed(digit* r, const digit* a, const digit* b)
{
    static_assert(BN >= 1 && BN <= AN && AN <= small_product_side);
    uint64_t x[AN], y[BN];
    ZBIG_UNROLL
    for (std::size_t i = 0; i < AN; ++i)
        x[i] = a[i];
    ZBIG_UNROLL
    for (std::size_t j = 0; j < BN; ++j)
        y[j] = b[j];
    uint64_t column = 0;
    ZBIG_UNROLL
    for (std::size_t k = 0; k + 1 < AN + BN; ++k) {
        ZBIG_UNROLL
        for (std::size_t j = 0; j < BN; ++j)
            if (j <= k && k - j < AN)
                column += x[k - j] * y[j];
        r[k] = digit(column) & digit_mask;
        column >>= digit_bits;
    }
    return digit(column);
}

// a^2, in the table's form.
template <std::size_t N> digit sqr_fixed(digit* r, const digit* a, const digit*)
{
    return square_columns<N>(r, a);
}

// The kernel for a shorter first operand: the same columns, operands
// exchanged (a jump, so that callers need not order their operands).
template <std::size_t AN, std::size_t BN>
digit mul_exchanged(digit* r, const digit* a, const digit* b)
{
    return mul_fixed<BN, AN>(r, b, a);
}

using kernel_row = std::array<small_mul_kernel, small_product_side + 1>;

// Row an: the square first, then the products by bn = 1 .. small_product_side.
template <std::size_t AN, std::size_t... BN> constexpr kernel_row row(std::index_sequence<BN...>)
{
    kernel_row r{};
    if constexpr (AN >= 2)
        r[0] = &sqr_fixed<AN>;
    ((r[BN + 1] = BN + 1 <= AN ? &mul_fixed<AN, std::min(AN, BN + 1)>
                               : &mul_exchanged<AN, std::max(AN, BN + 1)>),
     ...);
    return r;
}

template <std::size_t... AN>
constexpr std::array<kernel_row, small_product_side + 1> table(std::index_sequence<AN...>)
{
    return {kernel_row{}, row<AN + 1>(std::make_index_sequence<small_product_side>())...};
}

} // namespace

const std::array<std::array<small_mul_kernel, small_product_side + 1>, small_product_side + 1>
    small_mul_kernels = table(std::make_index_sequence<small_product_side>());

} // namespace zbig
