// Euclid's chain of remainders on magnitudes, run by Lehmer's method: the
// leading 61 bits of both numbers predict a run of quotients that are proven
// equal to the true ones, and the run's 2x2 matrix is applied to the full
// numbers at once. The chain, and so the cofactors, are exactly those of
// one-division-per-step Euclid.
#ifndef ZBIG_EUCLID_H
#define ZBIG_EUCLID_H

#include "natural.h"

#include <cstdint>

namespace zbig
{

struct euclid_chain {
    natural last;       // r_n, the last nonzero remainder (0 when a = b = 0)
    natural u, v;       // |U_n| and |V_n|: r_n = a * U_n + b * V_n
    uint64_t steps = 0; // n; U_n has the sign (-1)^n, V_n the opposite one
};

// Runs the chain r_0 = a, r_1 = b, r_{i+1} = r_{i-1} mod r_i until a zero
// remainder. With_u and with_v select which cofactors are tracked.
euclid_chain run_euclid(const natural& a, const natural& b, bool with_u, bool with_v);

} // namespace zbig

#endif
