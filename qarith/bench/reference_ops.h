/* The limit of a call: compact C functions that do the steps of the
   arithmetic for the records' run-time formats (raw fields, alignment, one
   64-bit intermediate, clearing the guard bits, saturation) and nothing
   else. They trust the formats to be well formed, saturate and truncate
   whatever the modes say, and are compiled apart from the benchmark so that
   each is a real call, as a qarith function is. */
#ifndef QARITH_BENCH_REFERENCE_OPS_H
#define QARITH_BENCH_REFERENCE_OPS_H

#include "qarith.h"

#ifdef __cplusplus
extern "C" {
#endif

void reference_add(fxp_t* r, const fxp_t* a, const fxp_t* b);
void reference_sub(fxp_t* r, const fxp_t* a, const fxp_t* b);
void reference_mul(fxp_t* r, const fxp_t* a, const fxp_t* b);
void reference_div(fxp_t* r, const fxp_t* a, const fxp_t* b);

#ifdef __cplusplus
}
#endif

#endif
