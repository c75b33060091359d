/* qarith: bit-accurate fixed-point arithmetic with the formats, quantisation
   and overflow rules of generated hardware.

   Every value carries its own format in an fxp_t record. Records belong to
   the caller and are passed by address, result first; constructors return a
   record by value. Failures are not fatal: the function writes a one-line
   message that starts with its own name to standard error and returns.

   Usable from C99 and C++. Link with -lqarith -lm. */
#ifndef QARITH_H
#define QARITH_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A fixed-point value and its format.
   value    container word: the number times 2^point, two's complement
   wl       word length: integer and fraction bits together
   iwl      integer word length, the sign bit included
   point    container bit that has weight 1
   ovf_mode FXP_OVF_WRAP, FXP_OVF_SAT, any other code: no overflow handling
   q_mode   FXP_Q_TRUNC, FXP_Q_ROUND, any other code: no quantisation
   The format has wl - iwl fraction bits; the container bits below them are
   guard bits. It is well formed when 0 <= wl - iwl <= point and
   point + iwl <= 32. */
typedef struct fxp_t {
    int32_t value;
    int32_t wl;
    int32_t iwl;
    int32_t point;
    int32_t ovf_mode;
    int32_t q_mode;
} fxp_t;

#define FXP_OVF_WRAP 0 /* keep the format's bits, extend its sign bit */
#define FXP_OVF_SAT 1  /* clamp to the format's range */
#define FXP_Q_TRUNC 0  /* clear the guard bits: toward minus infinity */
#define FXP_Q_ROUND 4  /* nearest, ties toward plus infinity */

/* Constructors: the value is stored unchanged (not shifted, not normalised). */
fxp_t fxp_create(int value, int iwl, int fwl, int ovf_mode, int q_mode, int guard_bits);
/* Saturating record with point = fwl + 4; mode 'c' gives q_mode 2, 'f' gives
   5, 'r' and any other character give 6. The fourth argument has no effect. */
fxp_t fxp(int value, int iwl, int fwl, int unused, char mode);
/* n becomes the integer part: value = n shifted left by point. */
fxp_t int32_to_fxp(int n, int wl, int iwl, int point, int ovf_mode, int q_mode);
/* The integer part, rounded toward minus infinity. */
int fxp_to_int32(const fxp_t* x);

/* Normalisation in place under the record's own format; each returns x. */
fxp_t* fxp_quantize(fxp_t* x);
fxp_t* fxp_overflow(fxp_t* x);
/* Adds n integer bits and m fraction bits (0 <= m <= guard bits); the point
   stays. sign 's' extends the sign bit into the new integer bits, 'u' leaves
   them; any other character is reported and changes nothing. */
void fxp_resize(fxp_t* x, int n, int m, char sign);

/* Arithmetic: the result goes into r->value under r's format, which the
   caller sets beforehand; r may be an operand. As the hardware does, the
   exact sum, difference or product is first placed at r's binary point (bits
   below r's last guard bit are cut, toward minus infinity; fxp_div truncates
   its quotient toward zero), then quantised, acting on r's guard bits only,
   then overflow-handled. So FXP_Q_ROUND needs guard bits: with none it
   truncates (format 8.0: 1 + 0.5 gives 1, 1 * 0.5 gives 0). Operands are read
   without their guard bits. */
void fxp_add(fxp_t* r, const fxp_t* a, const fxp_t* b);
void fxp_sub(fxp_t* r, const fxp_t* a, const fxp_t* b);
void fxp_mul(fxp_t* r, const fxp_t* a, const fxp_t* b);
/* Division by zero is reported and leaves r untouched. */
void fxp_div(fxp_t* r, const fxp_t* a, const fxp_t* b);
void fxp_neg(fxp_t* r, const fxp_t* a);
/* Container operations without normalisation; operands share r's point. */
void fxp_abs(fxp_t* r, const fxp_t* a);
void fxp_min(fxp_t* r, const fxp_t* a, const fxp_t* b);
void fxp_max(fxp_t* r, const fxp_t* a, const fxp_t* b);
/* r->value = (integer part of a, plus one when positive) at a's point;
   returns the new r->value. */
int fxp_ceil(fxp_t* r, const fxp_t* a);

/* Text form: iwl integer digits in the given base ('0' + digit), '.', then
   the wl - iwl fraction bits in binary, and a terminating zero byte: buf
   needs wl + 2 bytes. The integer digits are those of the integer part
   modulo base^iwl, so base 2 shows the two's-complement bits. */
void fxp_to_string(const fxp_t* x, int base, char* buf);
/* The text form on standard output, without a newline. */
void fxp_print(const fxp_t* x, int base);
/* Reads binary digits by position, the point at index iwl; sets only the
   format's bits (the container above them stays zero). base has no effect. */
void string_to_fxp(const char* s, int base, fxp_t* x);
/* Two's complement of d's magnitude truncated to the format. An integer
   part wider than iwl bits is reported and keeps its low iwl bits (none when
   it is beyond 32 bits); NaN and infinities are reported and give 0. */
void double_to_fxp(double d, fxp_t* x);
/* Reads the format's bits as sign and magnitude. */
double fxp_to_double(const fxp_t* x);

#ifdef __cplusplus
}
#endif

#endif /* QARITH_H */
