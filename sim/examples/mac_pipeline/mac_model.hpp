// Golden model of the example design mac_pipeline: y = a * b + c on 16-bit
// signed a and b and 32-bit signed c, exact; every result fits the 33 bits
// of the port y, which 64-bit arithmetic holds without overflow.
#ifndef MAC_MODEL_HPP
#define MAC_MODEL_HPP

#include <cstdint>

namespace mac
{

inline std::int64_t mac(std::int16_t a, std::int16_t b, std::int32_t c)
{
    return std::int64_t(a) * b + c;
}

} // namespace mac

#endif
