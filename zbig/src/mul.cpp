// The record operations mpz_mul and mpz_mul_ui.
#include "magnitude.h"
#include "small_mul.h"

using namespace zbig;

extern "C" ZBIG_API void mpz_mul(mpz_rec* p, const mpz_rec* q, const mpz_rec* r)
{
    // The product passes through a temporary of q.len + r.len digits; only
    // the significant digits are computed.
    const int sign = q->sign * r->sign;
    const std::span<const digit> a = significant_digits(q), b = significant_digits(r);
    const std::size_t len = std::size_t(q->len) + r->len;
    if (sign != 0 && !a.empty() && !b.empty() && a.size() <= small_product_side &&
        b.size() <= small_product_side) {
        // The widths of a model's datapath. The kernel writes into p's own
        // array when p is no operand and has room for all but the top digit
        // (often zero, and then left out of the stored length); otherwise
        // the product is formed on the stack and copied once.
        const small_mul_kernel kernel = small_mul_kernel_for(a, b);
        const std::size_t n = a.size() + b.size();
        digit* own = reinterpret_cast<digit*>(p->digits);
        if (p != q && p != r && own != nullptr && n - 1 <= p->len && len <= UINT32_MAX) {
            const digit top = kernel(own, a.data(), b.data());
            // a and b have nonzero top digits, so the product is at least
            // 2^(30 (n - 2)): without a top digit, digit n - 2 is nonzero.
            if (top == 0) {
                finish_in_place(p, n - 1, n - 1, static_cast<uint32_t>(len), sign);
            } else if (n <= p->len) {
                own[n - 1] = top;
                finish_in_place(p, n, n, static_cast<uint32_t>(len), sign);
            } else {
                result_digits res{own, static_cast<uint32_t>(len), static_cast<uint32_t>(n - 1)};
                append_digit(p, res, top);
                store_result(p, res, sign);
            }
            return;
        }
        digit product[2 * small_product_side];
        product[n - 1] = kernel(product, a.data(), b.data());
        store_digits(p, product, n, len, sign);
        return;
    }
    if (sign != 0 && !a.empty() && !b.empty() && a.size() + b.size() <= short_product_digits) {
        // The sizes of a model's datapath: the product is formed on the
        // stack and copied once, into p's own array when it has room.
        digit product[short_product_digits];
        multiply_short(product, a, b);
        store_digits(p, product, a.size() + b.size(), len, sign);
        return;
    }
    result_digits res =
        begin_result(p, len, sign == 0 ? 0 : a.size() + b.size(), true); // operands are read first
    if (sign != 0)
        multiply_magnitudes(res.span(), a, b);
    store_result(p, res, sign);
}

extern "C" ZBIG_API void mpz_mul_ui(mpz_rec* p, const mpz_rec* q, uint32_t u)
{
    // As mpz_mul by a two-digit record holding u.
    const int sign = u == 0 ? 0 : q->sign;
    const std::span<const digit> a = significant_digits(q);
    result_digits res =
        begin_result(p, std::size_t(q->len) + 2, sign == 0 ? 0 : a.size() + 2, true);
    if (sign != 0)
        multiply_by_small(res.span(), a, u);
    store_result(p, res, sign);
}
