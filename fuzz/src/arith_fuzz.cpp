// zbig arithmetic driven by the fuzzer's bytes, checked after every step
// against Boost's cpp_int. Four registers hold values; each operation names
// its output and operands by register, so outputs alias inputs freely.
#include "byte_reader.hpp"
#include "zbig.h"

#include <boost/multiprecision/cpp_int.hpp>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace
{

using big = boost::multiprecision::cpp_int;
constexpr int registers = 4;
// Operands stay below this many bits so every input runs quickly.
constexpr unsigned max_bits = 6000;

big value_of(const mpz_rec& x)
{
    big v = 0;
    for (uint32_t i = x.len; i-- > 0;) {
        if (x.digits[i] < 0 || x.digits[i] >= (1 << 30))
            std::abort();
        v = (v << 30) + x.digits[i];
    }
    if ((v == 0) != (x.sign == 0) || x.sign < -1 || x.sign > 1)
        std::abort();
    return x.sign < 0 ? big(-v) : v;
}

int sgn(const big& v)
{
    return v < 0 ? -1 : v > 0 ? 1 : 0;
}
big mag(const big& v)
{
    return v < 0 ? big(-v) : v;
}
unsigned bits(const big& v)
{
    return v == 0 ? 0 : static_cast<unsigned>(msb(mag(v))) + 1;
}

// Sign-magnitude digit-wise logic: the magnitudes combined, the signs too.
big logic(const big& q, const big& r, int op)
{
    const big x = mag(q), y = mag(r);
    const bool qn = q < 0, rn = r < 0;
    big v;
    bool neg;
    if (op == 0) {
        v = x & y;
        neg = qn && rn;
    } else if (op == 1) {
        v = x | y;
        neg = qn || rn;
    } else {
        v = x ^ y;
        neg = qn != rn;
    }
    return neg ? big(-v) : v;
}

big floor_div(const big& a, const big& b)
{
    big q = a / b;
    if (q * b != a && (sgn(a) * sgn(b) < 0))
        q -= 1;
    return q;
}

struct Machine {
    mpz_rec reg[registers];
    big model[registers];
    std::string trace;

    Machine()
    {
        for (auto& r : reg)
            mpz_init(&r);
    }
    ~Machine()
    {
        for (auto& r : reg)
            mpz_clear(&r);
    }

    void check(int i)
    {
        const big got = value_of(reg[i]);
        if (got != model[i]) {
            std::fprintf(stderr, "arith_fuzz: register %d is %s, expected %s\nsteps:%s\n", i,
                         got.str().c_str(), model[i].str().c_str(), trace.c_str());
            std::abort();
        }
    }

    void load(int d, fuzz::ByteReader& in)
    {
        // A value of up to 64 bytes, big-endian, with a sign bit.
        const uint8_t head = in.byte();
        std::size_t n = 0;
        const uint8_t* p = in.take(head & 63, n);
        big v = 0;
        for (std::size_t i = 0; i < n; ++i)
            v = (v << 8) | p[i];
        // Stretch some values so long kernels and block divisions run.
        if (head & 64)
            v = (v << (30 * (in.byte() % 64))) | (v >> 1);
        if (head & 128)
            v = -v;
        const std::string text = (v < 0 ? "-" : "") + mag(v).str(0, std::ios_base::hex);
        mpz_set_str(&reg[d], text.c_str(), 16);
        model[d] = v;
    }

    void step(fuzz::ByteReader& in)
    {
        const uint8_t op = in.byte() % 24;
        const uint8_t regs = in.byte();
        const int d = regs & 3, a = (regs >> 2) & 3, b = (regs >> 4) & 3, e = (regs >> 6) & 3;
        mpz_rec *D = &reg[d], *E = &reg[e];
        const mpz_rec *A = &reg[a], *B = &reg[b];
        const big va = model[a], vb = model[b];
        trace += " " + std::to_string(op) + ":" + std::to_string(d) + std::to_string(a) +
                 std::to_string(b) + std::to_string(e);
        const bool small_enough = bits(va) + bits(vb) < max_bits;
        switch (op) {
        case 0:
            load(d, in);
            break;
        case 1:
            mpz_add(D, A, B);
            model[d] = va + vb;
            break;
        case 2:
            mpz_sub(D, A, B);
            model[d] = va - vb;
            break;
        case 3:
            if (!small_enough)
                return;
            mpz_mul(D, A, B);
            model[d] = va * vb;
            break;
        case 4: {
            const uint32_t u = in.u32();
            mpz_add_ui(D, A, u);
            model[d] = va + u;
            break;
        }
        case 5: {
            const uint32_t u = in.u32();
            mpz_sub_ui(D, A, u);
            model[d] = va - u;
            break;
        }
        case 6: {
            const uint32_t u = in.u32();
            if (bits(va) > max_bits)
                return;
            mpz_mul_ui(D, A, u);
            model[d] = va * u;
            break;
        }
        case 7: {
            const uint32_t n = in.byte() * 3u;
            if (bits(va) + n > max_bits)
                return;
            mpz_mul_2exp(D, A, n);
            model[d] = va < 0 ? big(-(mag(va) << n)) : big(va << n);
            break;
        }
        case 8: {
            const uint32_t n = in.byte() * 3u;
            mpz_div_2exp(D, A, n);
            model[d] = va < 0 ? big(-(mag(va) >> n)) : big(va >> n);
            break;
        }
        case 9: {
            const uint32_t n = in.byte() * 3u;
            mpz_mod_2exp(D, A, n);
            const big m = mag(va) & ((big(1) << n) - 1);
            model[d] = va < 0 ? big(-m) : m;
            break;
        }
        case 10:
        case 11:
        case 12: {
            const int kind = op - 10;
            if (kind == 0)
                mpz_and(D, A, B);
            else if (kind == 1)
                mpz_or(D, A, B);
            else
                mpz_xor(D, A, B);
            model[d] = logic(va, vb, kind);
            break;
        }
        case 13:
            mpz_div(D, A, B);
            model[d] = vb == 0 ? big(0) : big(va / vb);
            break;
        case 14:
            mpz_mod(D, A, B);
            model[d] = vb == 0 ? big(0) : big(va % vb);
            break;
        case 15:
            mpz_mdiv(D, A, B);
            model[d] = vb == 0 ? big(0) : floor_div(va, vb);
            break;
        case 16:
            mpz_mmod(D, A, B);
            model[d] = vb == 0 ? big(0) : big(va - floor_div(va, vb) * vb);
            break;
        case 17:
        case 18: {
            if (d == e)
                return; // one record cannot receive both quotient and remainder
            const bool floor = op == 18;
            if (floor)
                mpz_mdivmod(D, E, A, B);
            else
                mpz_divmod(D, E, A, B);
            const big q = vb == 0 ? big(0) : floor ? floor_div(va, vb) : big(va / vb);
            model[d] = q;
            model[e] = vb == 0 ? big(0) : big(va - q * vb);
            check(e);
            break;
        }
        case 19: {
            const uint32_t u = in.u32();
            const int kind = in.byte() % 6;
            const big bu = u;
            const big q = u == 0 ? big(0) : kind >= 3 ? floor_div(va, bu) : big(va / bu);
            const big r = u == 0 ? big(0) : big(va - q * bu);
            switch (kind) {
            case 0:
                mpz_div_ui(D, A, u);
                model[d] = q;
                break;
            case 1:
                mpz_mod_ui(D, A, u);
                model[d] = r;
                break;
            case 2:
            case 5:
                if (d == e)
                    return;
                if (kind == 2)
                    mpz_divmod_ui(D, E, A, u);
                else
                    mpz_mdivmod_ui(D, E, A, u);
                model[d] = q;
                model[e] = r;
                check(e);
                break;
            case 3:
                mpz_mdiv_ui(D, A, u);
                model[d] = q;
                break;
            default:
                mpz_mmod_ui(D, A, u);
                model[d] = r;
                break;
            }
            break;
        }
        case 20:
            mpz_neg(D, A);
            model[d] = -va;
            break;
        case 21:
            mpz_abs(D, A);
            model[d] = mag(va);
            break;
        case 22: {
            const int c = mpz_cmp(A, B);
            if (c != (va < vb ? -1 : va > vb ? 1 : 0)) {
                std::fprintf(stderr, "arith_fuzz: mpz_cmp gave %d\nsteps:%s\n", c, trace.c_str());
                std::abort();
            }
            return;
        }
        default: {
            if (va < 0)
                return;
            mpz_sqrt(D, A);
            model[d] = sqrt(va);
            break;
        }
        }
        check(d);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    if (size > 4096)
        return 0;
    fuzz::ByteReader in(data, size);
    Machine m;
    for (int steps = 0; !in.empty() && steps < 64; ++steps)
        m.step(in);
    return 0;
}
