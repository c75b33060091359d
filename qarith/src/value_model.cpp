// Constructors, integer conversions and the record-level normalisation
// steps. Constructors take the value as given: no step normalises it.
#include "qarith.h"

#include "bits.hpp"
#include "layout.hpp"
#include "normalize.hpp"

using namespace qarith::detail;

extern "C" {

fxp_t fxp_create(int value, int iwl, int fwl, int ovf_mode, int q_mode, int guard_bits)
{
    return fxp_t{value, wrap_add32(iwl, fwl), iwl, wrap_add32(fwl, guard_bits), ovf_mode, q_mode};
}

fxp_t fxp(int value, int iwl, int fwl, int /*unused*/, char mode)
{
    // The mode characters name roundings that the quantiser passes over:
    // codes 2, 5 and 6 leave a value unchanged.
    int q_mode = 6;
    if (mode == 'c')
        q_mode = 2;
    else if (mode == 'f')
        q_mode = 5;
    return fxp_t{value, wrap_add32(iwl, fwl), iwl, wrap_add32(fwl, 4), FXP_OVF_SAT, q_mode};
}

fxp_t int32_to_fxp(int n, int wl, int iwl, int point, int ovf_mode, int q_mode)
{
    return fxp_t{shift32(n, point), wl, iwl, point, ovf_mode, q_mode};
}

int fxp_to_int32(const fxp_t* x)
{
    return shift32(x->value, -int64_t{x->point});
}

// A container is a 32-bit value: the 64-bit steps serve every format whose
// limits are 64-bit numbers.
fxp_t* fxp_quantize(fxp_t* x)
{
    const Layout format = layout_of(*x);
    x->value = fits_narrow(format) ? low32(quantize<int64_t>(x->value, format, x->q_mode))
                                   : low32(quantize<wide_t>(x->value, format, x->q_mode));
    return x;
}

fxp_t* fxp_overflow(fxp_t* x)
{
    const Layout format = layout_of(*x);
    x->value = fits_narrow(format) ? low32(overflow<int64_t>(x->value, format, x->ovf_mode))
                                   : low32(overflow<wide_t>(x->value, format, x->ovf_mode));
    return x;
}

} // extern "C"
