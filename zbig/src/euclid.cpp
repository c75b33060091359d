// Lehmer's method for Euclid's chain on 64-bit limbs, after Knuth's
// Algorithm L: the single-precision simulation stops as soon as two bounds
// on the quotient disagree, so every quotient it accepts is the true one.
#include "euclid.h"

#include "limbs.h"

#include <bit>
#include <cstring>

namespace zbig
{
namespace
{

constexpr const char* memory_message = "_mpz_realloc: cannot allocate memory";
constexpr unsigned lead_bits = 61; // leaves headroom for the signed sums

// A magnitude in limbs with room to grow to a fixed capacity; limbs at and
// above n up to `dirty` may hold stale values and are cleared on reuse.
struct limbs_value {
    limb* d = nullptr;
    std::size_t n = 0, dirty = 0;

    void normalise()
    {
        while (n > 0 && d[n - 1] == 0)
            --n;
    }
    // Zeroes [from, dirty) so that limbs above a new length read as 0.
    void clear_from(std::size_t from)
    {
        if (dirty > from)
            std::memset(d + from, 0, (dirty - from) * sizeof(limb));
        dirty = from;
    }
};

class limb_arena
{
  public:
    limb_arena(std::size_t values, std::size_t capacity)
        : capacity_(capacity), block_(allocate_limbs(values * capacity, memory_message))
    {
        std::memset(block_, 0, values * capacity * sizeof(limb));
    }
    ~limb_arena() { release_limbs(block_); }
    limb_arena(const limb_arena&) = delete;
    limb_arena& operator=(const limb_arena&) = delete;
    limbs_value at(std::size_t i) { return {block_ + i * capacity_, 0, 0}; }

  private:
    std::size_t capacity_;
    limb* block_;
};

void load(limbs_value& x, const natural& v)
{
    const std::size_t n = limbs_for_digits(v.size());
    if (n > 0)
        pack_limbs({x.d, n}, v.view());
    x.n = x.dirty = n;
    x.normalise();
}

natural to_natural(const limbs_value& x)
{
    natural r;
    const std::size_t digits = (x.n * 64 + digit_bits - 1) / digit_bits;
    if (digits > 0)
        unpack_limbs({r.prepare(digits), digits}, {x.d, x.n});
    r.trim(digits);
    return r;
}

uint64_t bit_length(const limbs_value& x)
{
    return x.n == 0 ? 0 : (x.n - 1) * 64 + std::bit_width(x.d[x.n - 1]);
}

// Bits [shift, shift + 64) of x.
limb bits_at(const limbs_value& x, uint64_t shift)
{
    const std::size_t w = std::size_t(shift / 64);
    const unsigned b = unsigned(shift % 64);
    limb lo = w < x.n ? x.d[w] >> b : 0;
    if (b > 0 && w + 1 < x.n)
        lo |= x.d[w + 1] << (64 - b);
    return lo;
}

// out = x * p - y * q over len limbs (both zero above their lengths), known
// not to be negative.
void mul_sub(limbs_value& out, const limbs_value& x, limb p, const limbs_value& y, limb q,
             std::size_t len)
{
    out.clear_from(0);
    out.d[len] = limbs_addmul_1(out.d, x.d, len, p);
    out.d[len] -= limbs_submul_1(out.d, y.d, len, q);
    out.n = out.dirty = len + 1;
    out.normalise();
}

// out = x * p + y * q over len limbs.
void mul_add(limbs_value& out, const limbs_value& x, limb p, const limbs_value& y, limb q,
             std::size_t len)
{
    out.clear_from(0);
    limb top = limbs_addmul_1(out.d, x.d, len, p);
    top += limbs_addmul_1(out.d, y.d, len, q);
    out.d[len] = top;
    out.n = out.dirty = len + 1;
    out.normalise();
}

void swap(limbs_value& a, limbs_value& b)
{
    const limbs_value t = a;
    a = b;
    b = t;
}

// The matrix of a run of k quotients, as magnitudes: for even k the signs
// are (+ -; - +), for odd k (- +; + -).
struct run {
    limb a, b, c, d;
    uint64_t k;
};

run simulate(limb uh, limb vh)
{
    int64_t A = 1, B = 0, C = 0, D = 1;
    int64_t u = int64_t(uh), v = int64_t(vh);
    uint64_t k = 0;
    for (;;) {
        if (v + C <= 0 || v + D <= 0)
            break;
        const int64_t q = (u + A) / (v + C);
        if (q != (u + B) / (v + D))
            break;
        int64_t t = A - q * C;
        A = C;
        C = t;
        t = B - q * D;
        B = D;
        D = t;
        t = u - q * v;
        u = v;
        v = t;
        ++k;
    }
    auto mag = [](int64_t x) { return limb(x < 0 ? -x : x); };
    return {mag(A), mag(B), mag(C), mag(D), k};
}

} // namespace

euclid_chain run_euclid(const natural& a, const natural& b, bool with_u, bool with_v)
{
    const std::size_t na = limbs_for_digits(a.size()), nb = limbs_for_digits(b.size());
    const std::size_t cap = (na > nb ? na : nb) + 4;
    // u, v, their next values, and the two cofactor pairs with scratch.
    limb_arena arena(10, cap);
    limbs_value u = arena.at(0), v = arena.at(1), nu = arena.at(2), nv = arena.at(3);
    limbs_value u0 = arena.at(4), u1 = arena.at(5), v0 = arena.at(6), v1 = arena.at(7);
    limbs_value t0 = arena.at(8), t1 = arena.at(9);
    load(u, a);
    load(v, b);
    u0.d[0] = 1; // U_0 = 1, U_1 = 0, V_0 = 0, V_1 = 1
    u0.n = u0.dirty = 1;
    v1.d[0] = 1;
    v1.n = v1.dirty = 1;
    uint64_t steps = 0;
    limb* quotient = nullptr;

    // Each update of a cofactor pair by a run: (x0, x1) -> (a x0 + b x1,
    // c x0 + d x1) on magnitudes, since the signs alternate along the chain.
    auto apply_run = [&](limbs_value& x0, limbs_value& x1, const run& r) {
        const std::size_t len = x0.n > x1.n ? x0.n : x1.n;
        mul_add(t0, x0, r.a, x1, r.b, len);
        mul_add(t1, x0, r.c, x1, r.d, len);
        swap(x0, t0);
        swap(x1, t1);
    };
    // One full division step: (x0, x1) -> (x1, x0 + q x1).
    auto apply_quotient = [&](limbs_value& x0, limbs_value& x1, const limb* q, std::size_t qn) {
        t0.clear_from(0);
        if (x1.n > 0 && qn > 0) {
            if (qn >= x1.n)
                limbs_mul(t0.d, q, qn, x1.d, x1.n);
            else
                limbs_mul(t0.d, x1.d, x1.n, q, qn);
        }
        std::size_t len = qn + x1.n;
        if (x0.n > len)
            len = x0.n;
        t0.dirty = len + 1;
        t0.d[len] = limbs_add(t0.d, t0.d, len, x0.d, x0.n);
        t0.n = len + 1;
        t0.normalise();
        swap(x0, x1);
        swap(x1, t0);
    };

    if (u.n == 0 && v.n == 0) {
        euclid_chain r;
        r.u = with_u ? natural(1) : natural();
        return r;
    }
    while (v.n > 0) {
        run r{0, 0, 0, 0, 0};
        const uint64_t ubits = bit_length(u);
        if (bit_length(v) <= ubits) {
            const uint64_t shift = ubits > lead_bits ? ubits - lead_bits : 0;
            r = simulate(bits_at(u, shift), bits_at(v, shift));
        }
        if (r.k == 0) {
            // No quotient could be proven from the leading bits (or v > u):
            // one true division.
            nu.clear_from(0);
            std::size_t qn = 1;
            limb zero_q = 0;
            if (u.n >= v.n) {
                qn = u.n - v.n + 1;
                quotient = allocate_limbs(qn, memory_message);
                limbs_divmod(quotient, nu.d, u.d, u.n, v.d, v.n);
                nu.n = nu.dirty = v.n;
            } else {
                quotient = &zero_q;
                std::memcpy(nu.d, u.d, u.n * sizeof(limb));
                nu.n = nu.dirty = u.n;
            }
            nu.normalise();
            while (qn > 0 && quotient[qn - 1] == 0)
                --qn;
            if (with_u)
                apply_quotient(u0, u1, quotient, qn);
            if (with_v)
                apply_quotient(v0, v1, quotient, qn);
            if (quotient != &zero_q)
                release_limbs(quotient);
            quotient = nullptr;
            swap(u, v);
            swap(v, nu);
            ++steps;
            continue;
        }
        const std::size_t len = u.n;
        if (r.k % 2 == 0) {
            mul_sub(nu, u, r.a, v, r.b, len);
            mul_sub(nv, v, r.d, u, r.c, len);
        } else {
            mul_sub(nu, v, r.b, u, r.a, len);
            mul_sub(nv, u, r.c, v, r.d, len);
        }
        swap(u, nu);
        swap(v, nv);
        if (with_u)
            apply_run(u0, u1, r);
        if (with_v)
            apply_run(v0, v1, r);
        steps += r.k;
    }
    euclid_chain result;
    result.last = to_natural(u);
    if (with_u)
        result.u = to_natural(u0);
    if (with_v)
        result.v = to_natural(v0);
    result.steps = steps;
    return result;
}

} // namespace zbig
