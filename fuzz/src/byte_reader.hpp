// Reads the fuzzer's bytes as a stream of small decisions; past the end
// every read gives zero, so any input is a valid program.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fuzz
{

class ByteReader
{
  public:
    ByteReader(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool empty() const { return pos_ >= size_; }
    std::size_t remaining() const { return empty() ? 0 : size_ - pos_; }
    uint8_t byte() { return empty() ? 0 : data_[pos_++]; }
    uint32_t u32()
    {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v = (v << 8) | byte();
        return v;
    }
    // Up to n bytes straight from the input.
    const uint8_t* take(std::size_t n, std::size_t& got)
    {
        got = n < remaining() ? n : remaining();
        const uint8_t* p = data_ + pos_;
        pos_ += got;
        return p;
    }

  private:
    const uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

} // namespace fuzz
