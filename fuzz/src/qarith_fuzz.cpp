// qarith on arbitrary records, malformed formats included: every operation
// must finish without undefined behaviour, out-of-bounds access or a crash
// (the sanitizers and the fuzzer watch). Messages about bad formats on
// standard error are expected; the runner silences them.
#include "byte_reader.hpp"
#include "qarith.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace
{

// Mostly plausible formats, sometimes any 32-bit pattern.
int32_t field(fuzz::ByteReader& in)
{
    const uint8_t kind = in.byte();
    if (kind < 200)
        return static_cast<int8_t>(in.byte()) % 40;
    return static_cast<int32_t>(in.u32());
}

fxp_t record(fuzz::ByteReader& in)
{
    fxp_t x;
    x.value = static_cast<int32_t>(in.u32());
    x.wl = field(in);
    x.iwl = field(in);
    x.point = field(in);
    x.ovf_mode = field(in);
    x.q_mode = field(in);
    return x;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    if (size > 1024)
        return 0;
    fuzz::ByteReader in(data, size);
    fxp_t reg[3] = {record(in), record(in), record(in)};
    for (int steps = 0; !in.empty() && steps < 32; ++steps) {
        const uint8_t op = in.byte();
        fxp_t& r = reg[op >> 6 & 1 ? 0 : 2];
        const fxp_t& a = reg[(op >> 5) & 1];
        const fxp_t& b = reg[(op >> 4) & 1 ? 2 : 1];
        switch (op & 15) {
        case 0:
            reg[in.byte() % 3] = record(in);
            break;
        case 1:
            fxp_add(&r, &a, &b);
            break;
        case 2:
            fxp_sub(&r, &a, &b);
            break;
        case 3:
            fxp_mul(&r, &a, &b);
            break;
        case 4:
            fxp_div(&r, &a, &b);
            break;
        case 5:
            fxp_neg(&r, &a);
            break;
        case 6:
            fxp_abs(&r, &a);
            break;
        case 7:
            op & 128 ? fxp_min(&r, &a, &b) : fxp_max(&r, &a, &b);
            break;
        case 8:
            fxp_ceil(&r, &a);
            break;
        case 9:
            fxp_quantize(&r);
            fxp_overflow(&r);
            break;
        case 10: {
            const int n = static_cast<int8_t>(in.byte()), m = static_cast<int8_t>(in.byte());
            fxp_resize(&r, n, m, static_cast<char>(in.byte()));
            break;
        }
        case 11: {
            // The text form needs wl + 2 bytes; formats whose wl cannot size a
            // buffer are beyond what a caller can pass.
            if (a.wl < 0 || a.wl > 4096)
                break;
            std::vector<char> buf(static_cast<std::size_t>(a.wl) + 2);
            fxp_to_string(&a, in.byte() % 40, buf.data());
            if (std::memchr(buf.data(), 0, buf.size()) == nullptr)
                std::abort(); // unterminated text
            break;
        }
        case 12: {
            char text[64];
            std::size_t n = 0;
            const uint8_t* p = in.take(in.byte() % sizeof text, n);
            std::memcpy(text, p, n);
            text[n] = 0;
            string_to_fxp(text, 2, &r);
            break;
        }
        case 13: {
            double d;
            const uint32_t hi = in.u32(), lo = in.u32();
            const uint64_t bits = (uint64_t{hi} << 32) | lo;
            std::memcpy(&d, &bits, sizeof d);
            double_to_fxp(d, &r);
            break;
        }
        case 14: {
            const double d = fxp_to_double(&a);
            (void)d;
            (void)fxp_to_int32(&a);
            break;
        }
        default: {
            const int32_t v = static_cast<int32_t>(in.u32());
            r = op & 128 ? int32_to_fxp(v, field(in), field(in), field(in), field(in), field(in))
                         : fxp_create(v, field(in), field(in), field(in), field(in), field(in));
            break;
        }
        }
    }
    return 0;
}
