// Randomized differential checks of a record operation against the model:
// value, well-formedness and stored length, in every aliasing form. A failure
// prints the operands so the case can be replayed.
#ifndef ZBIG_TEST_DIFFERENTIAL_H
#define ZBIG_TEST_DIFFERENTIAL_H

#include "model.h"

namespace zbig_test
{

inline ::testing::AssertionResult matches(const char* what, const mpz_rec* got,
                                          const model::m& want)
{
    if (auto wf = well_formed(got); !wf)
        return ::testing::AssertionFailure() << what << ": malformed record: " << wf.message();
    const big v = value_of(got);
    if (v != want.v || got->len != want.len)
        return ::testing::AssertionFailure() << what << ": got " << hex(v) << " len " << got->len
                                             << ", want " << hex(want.v) << " len " << want.len;
    return ::testing::AssertionSuccess();
}

enum class alias { none, result_is_first, result_is_second, all_same };
inline const char* alias_name(alias a)
{
    switch (a) {
    case alias::none:
        return "p, q, r distinct";
    case alias::result_is_first:
        return "p = q";
    case alias::result_is_second:
        return "p = r";
    default:
        return "p = q = r";
    }
}

// op(p, q, r) against want(p, q, r) for operands q, r stored with `extra`
// zero digits above their values and a result record of some prior length.
template <typename Op, typename Want>
void check_binary(Op op, Want want, const big& qv, const big& rv, uint32_t q_extra,
                  uint32_t r_extra, const big& prior, uint32_t prior_extra)
{
    for (alias a :
         {alias::none, alias::result_is_first, alias::result_is_second, alias::all_same}) {
        rec p(prior, prior_extra), q(qv, q_extra), r(a == alias::all_same ? qv : rv, r_extra);
        mpz_rec *pp = p.p(), *qp = q.p(), *rp = r.p();
        if (a == alias::result_is_first)
            pp = qp;
        else if (a == alias::result_is_second)
            pp = rp;
        else if (a == alias::all_same)
            pp = rp = qp;
        const model::m expected = want(model::of(pp), model::of(qp), model::of(rp));
        op(pp, qp, rp);
        ASSERT_TRUE(matches(alias_name(a), pp, expected))
            << "\n  q = " << hex(qv) << " (+" << q_extra
            << " zero digits)\n  r = " << hex(a == alias::all_same ? qv : rv) << " (+" << r_extra
            << " zero digits)\n  prior p = " << hex(prior) << " (+" << prior_extra
            << " zero digits)";
    }
}

} // namespace zbig_test

#endif
