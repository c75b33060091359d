// The golden model of the example design movsum: the moving sum of the last
// four values of a stream (fewer at its start), one sum per value, which the
// design writes into an array. Plain C++ integers: four 16-bit values sum to
// at most 18 bits, so no sum wraps.
#ifndef MOVSUM_MODEL_HPP
#define MOVSUM_MODEL_HPP

#include <cstddef>
#include <cstdint>
#include <vector>

namespace movsum
{

constexpr std::size_t window = 4;

// sums[i] = x[i] + x[i-1] + x[i-2] + x[i-3], the values before x[0] zero.
inline std::vector<std::uint32_t> sums(const std::vector<std::uint16_t>& x)
{
    std::vector<std::uint32_t> out(x.size());
    for (std::size_t i = 0; i < x.size(); ++i)
        for (std::size_t k = 0; k < window && k <= i; ++k)
            out[i] += x[i - k];
    return out;
}

} // namespace movsum

#endif
