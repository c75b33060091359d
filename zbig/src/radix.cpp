// Radix conversion of magnitudes. Bases that are powers of two regroup bits
// in linear time; other bases work in chunks of k digits (base^k the largest
// power below 2^32) and, above a threshold, divide and conquer: split the
// number at base^(k * 2^j), convert both halves recursively, so the cost
// follows that of the multiplication and division behind magnitude.h.
// Texts of plain digits (the common case) convert from their characters,
// eight decimal digits per word step; short ones straight into 64-bit limbs
// on the stack.
#include "radix.h"

#include "limbs.h"
#include "magnitude.h"
#include "number_text.h"
#include "thresholds.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <new>

namespace zbig
{
namespace
{

constexpr char alphabet[] = "0123456789abcdefghijklmnopqrstuvwxyz";
constexpr const char* memory_message = "_mpz_realloc: cannot allocate memory";

// base^k, the largest power of the base that fits in 32 bits, and k.
struct chunk_base {
    uint32_t value;
    unsigned digits;
};

chunk_base chunk_for(unsigned base)
{
    uint64_t v = base;
    unsigned k = 1;
    while (v * base <= UINT32_MAX) {
        v *= base;
        ++k;
    }
    return {uint32_t(v), k};
}

// powers[j] = (base^k)^(2^j) for j = 0 to at most max_entries - 1, stopping
// before an entry whose square would exceed half of `limit` digits.
class power_table
{
  public:
    power_table(chunk_base c, std::size_t max_entries, std::size_t limit)
    {
        entries_ = static_cast<natural*>(std::calloc(64, sizeof(natural)));
        if (entries_ == nullptr)
            fatal(memory_message);
        new (&entries_[0]) natural(c.value);
        count_ = 1;
        while (count_ < 64 && count_ < max_entries &&
               (2 * entries_[count_ - 1].size() - 1) * 2 <= limit + 1) {
            new (&entries_[count_]) natural(mul(entries_[count_ - 1], entries_[count_ - 1]));
            ++count_;
        }
    }
    ~power_table()
    {
        for (std::size_t i = 0; i < count_; ++i)
            entries_[i].~natural();
        std::free(entries_);
    }
    power_table(const power_table&) = delete;
    power_table& operator=(const power_table&) = delete;
    const natural& operator[](std::size_t j) const { return entries_[j]; }
    std::size_t size() const { return count_; }

  private:
    natural* entries_ = nullptr;
    std::size_t count_ = 0;
};

// Writes the digits of a by bit groups of log2(base).
std::size_t to_characters_pow2(std::span<const digit> d, unsigned bits_per_digit, char* out)
{
    const uint64_t bits =
        d.empty() ? 0 : uint64_t(d.size() - 1) * digit_bits + std::bit_width(d.back());
    const uint64_t n = (bits + bits_per_digit - 1) / bits_per_digit;
    for (uint64_t j = 0; j < n; ++j) {
        const uint64_t pos = (n - 1 - j) * bits_per_digit;
        const std::size_t i = std::size_t(pos / digit_bits);
        const unsigned off = unsigned(pos % digit_bits);
        uint64_t w = d[i] >> off;
        if (off + bits_per_digit > digit_bits && i + 1 < d.size())
            w |= uint64_t(d[i + 1]) << (digit_bits - off);
        out[j] = alphabet[w & ((1u << bits_per_digit) - 1)];
    }
    return std::size_t(n);
}

class to_text
{
  public:
    to_text(unsigned base, chunk_base c, const power_table& powers, char* out)
        : base_(base), chunk_(c), powers_(powers), out_(out)
    {
    }

    // Writes a; width 0 means no leading zeros, otherwise exactly width
    // characters (a < base^width).
    void convert(const natural& a, std::size_t width)
    {
        if (a.size() < thresholds.radix_divide_and_conquer || powers_.size() == 0 ||
            powers_[0].size() * 2 > a.size() + 1) {
            basecase(a, width);
            return;
        }
        std::size_t j = 0;
        while (j + 1 < powers_.size() && powers_[j + 1].size() * 2 <= a.size() + 1)
            ++j;
        natural q, r;
        divmod(&q, &r, a, powers_[j]);
        const std::size_t low_width = std::size_t(chunk_.digits) << j;
        convert(q, width == 0 ? 0 : width - low_width);
        convert(r, low_width);
    }

    std::size_t written() const { return pos_; }

  private:
    void basecase(const natural& a, std::size_t width)
    {
        // Chunks of k digits, least significant first, by repeated division.
        const std::size_t n = a.size();
        digit* work = allocate_digits(n + 1, memory_message);
        // Each chunk takes at least floor(log2(chunk value)) bits off a; for
        // many bases that is fewer than a digit's 30 bits (27 for base 24).
        const std::size_t max_chunks =
            n * digit_bits / unsigned(std::bit_width(chunk_.value) - 1) + 2;
        uint32_t* chunks = static_cast<uint32_t*>(std::malloc(max_chunks * sizeof(uint32_t)));
        if (chunks == nullptr)
            fatal(memory_message);
        if (n > 0)
            std::memcpy(work, a.view().data(), n * sizeof(digit));
        std::size_t live = n, count = 0;
        while (live > 0) {
            chunks[count++] = divide_by_small({work, live}, {work, live}, chunk_.value);
            while (live > 0 && work[live - 1] == 0)
                --live;
        }
        char tmp[32];
        std::size_t produced = 0;
        for (std::size_t c = 0; c < count; ++c) {
            uint32_t v = chunks[c];
            for (unsigned k = 0; k < chunk_.digits; ++k) {
                tmp[k] = alphabet[v % base_];
                v /= base_;
            }
            // Most significant chunk: drop its leading zeros unless padding.
            unsigned keep = chunk_.digits;
            if (c + 1 == count && width == 0)
                while (keep > 1 && tmp[keep - 1] == '0')
                    --keep;
            // Chunks are emitted right to left into their final place below.
            for (unsigned k = 0; k < keep; ++k)
                chunks_text(produced + k) = tmp[k];
            produced += keep;
        }
        if (width == 0 && produced == 0)
            chunks_text(produced++) = '0';
        while (produced < width)
            chunks_text(produced++) = '0';
        // The characters were stored least significant first: reverse them.
        for (std::size_t i = 0; i < produced / 2; ++i) {
            const char t = out_[pos_ + i];
            out_[pos_ + i] = out_[pos_ + produced - 1 - i];
            out_[pos_ + produced - 1 - i] = t;
        }
        pos_ += produced;
        std::free(chunks);
        release_digits(work);
    }

    char& chunks_text(std::size_t i) { return out_[pos_ + i]; }

    unsigned base_;
    chunk_base chunk_;
    const power_table& powers_;
    char* out_;
    std::size_t pos_ = 0;
};

// out[0, count) = out * power + add, growing count by the carry limb.
void limbs_multiply_add(uint64_t* out, std::size_t& count, uint64_t power, uint64_t add)
{
    limb carry = add;
    for (std::size_t i = 0; i < count; ++i) {
        const wide t = wide(out[i]) * power + carry;
        out[i] = limb(t);
        carry = limb(t >> 64);
    }
    if (carry != 0)
        out[count++] = carry;
}

class from_text
{
  public:
    from_text(const uint32_t* chunks, chunk_base c, const power_table& powers)
        : chunks_(chunks), chunk_(c), powers_(powers)
    {
    }

    // The value of chunks [first, first + count), most significant first.
    natural convert(std::size_t first, std::size_t count)
    {
        // A chunk carries about 32 bits: about 16/15 of a digit.
        if (count < thresholds.radix_divide_and_conquer || powers_.size() == 0)
            return basecase(first, count);
        std::size_t j = 0;
        while (j + 1 < powers_.size() && (std::size_t(2) << j) < count)
            ++j;
        const std::size_t low = std::size_t(1) << j;
        natural high = convert(first, count - low);
        natural rest = convert(first + count - low, low);
        return add(mul(high, powers_[j]), rest);
    }

  private:
    // Horner's rule on 64-bit limbs, two chunks at a time (base^(2k) is
    // below 2^64): a quarter of the products on 30-bit digits.
    natural basecase(std::size_t first, std::size_t count)
    {
        const uint32_t* c = chunks_ + first;
        const uint64_t pair_power = uint64_t(chunk_.value) * chunk_.value;
        // The value is below 2^(32 count).
        const std::size_t room = count / 2 + 2;
        limb local[64];
        limb* acc = room <= 64 ? local : allocate_limbs(room, memory_message);
        std::size_t ln = 0, i = 0;
        if (count % 2 != 0)
            limbs_multiply_add(acc, ln, pair_power, c[i++]);
        for (; i < count; i += 2)
            limbs_multiply_add(acc, ln, pair_power, uint64_t(c[i]) * chunk_.value + c[i + 1]);
        natural r;
        const std::size_t size = (ln * 64 + digit_bits - 1) / digit_bits;
        unpack_limbs({r.prepare(size), size}, {acc, ln});
        r.trim(size);
        if (acc != local)
            release_limbs(acc);
        return r;
    }

    const uint32_t* chunks_;
    chunk_base chunk_;
    const power_table& powers_;
};

// Digits the values of a power-of-two base fill: whole bits, plus one.
std::size_t pow2_digits_for_values(std::size_t n, unsigned base)
{
    return std::size_t(
        (uint64_t(n) * unsigned(std::countr_zero(base)) + digit_bits - 1) / digit_bits + 1);
}

// Least significant value first, bits gathered into whole digits; writes
// pow2_digits_for_values(n, base) digits and returns that count.
std::size_t pow2_from_digit_values(digit* d, const uint8_t* values, std::size_t n, unsigned base)
{
    const unsigned s = unsigned(std::countr_zero(base));
    const std::size_t total = pow2_digits_for_values(n, base);
    std::size_t k = 0;
    uint64_t acc = 0;
    unsigned held = 0;
    for (std::size_t j = n; j-- > 0;) {
        acc |= uint64_t(values[j]) << held;
        held += s;
        if (held >= digit_bits) {
            d[k++] = digit(acc & digit_mask);
            acc >>= digit_bits;
            held -= digit_bits;
        }
    }
    while (k < total) {
        d[k++] = digit(acc & digit_mask);
        acc >>= digit_bits;
    }
    return total;
}

// base^k, the largest power of the base below 2^64, and k, for every base:
// worked out at compile time, where the divisions cost nothing.
struct wide_chunk {
    uint64_t power = 0;
    unsigned digits = 0;
};
struct wide_chunk_table {
    wide_chunk entry[37];
    constexpr wide_chunk_table() : entry()
    {
        for (unsigned base = 2; base <= 36; ++base) {
            uint64_t power = base;
            unsigned k = 1;
            while (power <= UINT64_MAX / base) {
                power *= base;
                ++k;
            }
            entry[base] = {power, k};
        }
    }
};
constexpr wide_chunk_table wide_chunks;

bool is_power_of_two(unsigned base)
{
    return (base & (base - 1)) == 0;
}

// The characters of v, exactly `width` of them (leading zeros included),
// written backwards ending before `end`. The base is a constant for base 10
// so that the divisions become multiplications.
template <unsigned Base> void chunk_characters(uint64_t v, unsigned width, char* end)
{
    for (unsigned i = 0; i < width; ++i) {
        *--end = alphabet[v % Base];
        v /= Base;
    }
}
void chunk_characters(uint64_t v, unsigned width, char* end, unsigned base)
{
    if (base == 10) {
        chunk_characters<10>(v, width, end);
        return;
    }
    for (unsigned i = 0; i < width; ++i) {
        *--end = alphabet[v % base];
        v /= base;
    }
}

// Eight characters as a 64-bit word, the first in the low byte.
uint64_t load_eight(const char* p)
{
    uint64_t v;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::endian::native == std::endian::big) {
        uint64_t r = 0;
        for (int i = 0; i < 8; ++i)
            r = r << 8 | uint8_t(p[7 - i]);
        v = r;
    }
    return v;
}

// The value of eight decimal characters, most significant first, with a
// few multiplications on the whole word instead of eight dependent steps.
// `bad` becomes nonzero when one of them is no decimal digit: each byte must
// be 0x30 to 0x39, so its high nibble is 3 both before and after adding 6.
uint64_t eight_decimal_digits(const char* p, uint64_t& bad)
{
    uint64_t v = load_eight(p);
    const uint64_t nibbles =
        (v & 0xf0f0f0f0f0f0f0f0) | (((v + 0x0606060606060606) & 0xf0f0f0f0f0f0f0f0) >> 4);
    bad |= nibbles ^ 0x3333333333333333;
    v -= 0x3030303030303030;
    v = v * 10 + (v >> 8); // pairs of digits in the even bytes
    v = ((v & 0x000000ff000000ff) * (100 + (uint64_t(1000000) << 32)) +
         ((v >> 16) & 0x000000ff000000ff) * (1 + (uint64_t(10000) << 32))) >>
        32;
    return uint32_t(v);
}

// The value of len <= 19 decimal characters.
uint64_t decimal_chunk(const char* p, std::size_t len, uint64_t& bad)
{
    uint64_t v = 0;
    std::size_t i = 0;
    for (; i + 8 <= len; i += 8)
        v = v * 100000000 + eight_decimal_digits(p + i, bad);
    for (; i < len; ++i) {
        const uint64_t d = uint8_t(p[i]) - uint64_t('0');
        bad |= d > 9;
        v = v * 10 + d;
    }
    return v;
}

// The value of 19 decimal characters: two words of eight and three alone,
// the three steps independent of one another.
uint64_t nineteen_decimal_digits(const char* p, uint64_t& bad)
{
    const uint64_t high = eight_decimal_digits(p, bad), middle = eight_decimal_digits(p + 8, bad);
    const uint64_t d0 = uint8_t(p[16]) - uint64_t('0'), d1 = uint8_t(p[17]) - uint64_t('0'),
                   d2 = uint8_t(p[18]) - uint64_t('0');
    bad |= (d0 > 9) | (d1 > 9) | (d2 > 9);
    return high * 100000000000 + middle * 1000 + d0 * 100 + d1 * 10 + d2;
}

// Decimal text in chunks of 19 characters (10^19 < 2^64), the leading chunk
// taking the n mod 19 left over.
bool decimal_limbs_from_text(const char* text, std::size_t n, uint64_t* out, std::size_t& count)
{
    constexpr std::size_t k = 19;
    constexpr uint64_t power = 10000000000000000000u;
    uint64_t bad = 0;
    const std::size_t first = n % k == 0 ? k : n % k;
    count = 0;
    limbs_multiply_add(out, count, power, decimal_chunk(text, first, bad));
    for (std::size_t i = first; i < n; i += k)
        limbs_multiply_add(out, count, power, nineteen_decimal_digits(text + i, bad));
    return bad == 0;
}

// Text in a base 2^Bits, from its least significant character up, the bits
// gathered straight into limbs. `bad` becomes nonzero unless every value
// is below 2^Bits.
template <unsigned Bits>
bool pow2_limbs_from_text(const char* text, std::size_t n, uint64_t* out, std::size_t& count)
{
    unsigned bad = 0;
    std::size_t k = 0, j = n;
    if constexpr (64 % Bits == 0) {
        // Whole limbs of 64 / Bits characters, each in straight-line code.
        constexpr std::size_t per_limb = 64 / Bits;
        for (; j >= per_limb; j -= per_limb) {
            const char* p = text + j - per_limb;
            uint64_t w = 0;
            for (std::size_t i = 0; i < per_limb; ++i) {
                const unsigned v = text_characters.value[uint8_t(p[i])];
                bad |= v >> Bits;
                w |= uint64_t(v) << (Bits * (per_limb - 1 - i));
            }
            out[k++] = w;
        }
    }
    unsigned held = 0;
    uint64_t acc = 0;
    for (; j-- > 0;) {
        const unsigned v = text_characters.value[uint8_t(text[j])];
        bad |= v >> Bits;
        acc |= uint64_t(v) << held;
        held += Bits;
        if (held >= 64) {
            out[k++] = acc;
            held -= 64;
            acc = held == 0 ? 0 : uint64_t(v) >> (Bits - held);
        }
    }
    if (held != 0)
        out[k++] = acc;
    while (k > 0 && out[k - 1] == 0)
        --k;
    count = k;
    return bad == 0;
}

// Any other base: chunks of k characters, base^k the largest power of the
// base below 2^64, the leading chunk taking the n mod k left over.
bool chunked_limbs_from_text(const char* text, std::size_t n, unsigned base, uint64_t* out,
                             std::size_t& count)
{
    const uint64_t power = wide_chunks.entry[base].power;
    const std::size_t k = wide_chunks.entry[base].digits;
    unsigned bad = 0;
    count = 0;
    for (std::size_t i = 0; i < n;) {
        const std::size_t end = i == 0 && n % k != 0 ? n % k : i + k;
        uint64_t v = 0;
        for (; i < end; ++i) {
            const unsigned d = text_characters.value[uint8_t(text[i])];
            bad |= d >= base;
            v = v * base + d;
        }
        limbs_multiply_add(out, count, power, v);
    }
    return bad == 0;
}

// The chunks of k characters (base^k the largest power below 2^32) of a
// long text, most significant first, on the heap.
struct chunk_buffer {
    std::size_t count;
    uint32_t* values;
    chunk_buffer(std::size_t n, chunk_base c)
        : count((n + c.digits - 1) / c.digits),
          values(static_cast<uint32_t*>(std::malloc((count + 1) * sizeof(uint32_t))))
    {
        if (values == nullptr)
            fatal(memory_message);
    }
    ~chunk_buffer() { std::free(values); }
    chunk_buffer(const chunk_buffer&) = delete;
    chunk_buffer& operator=(const chunk_buffer&) = delete;
};

// Fills the chunks from text[0, n), the leading chunk taking the n mod k
// left over; false when some character is no digit of the base.
bool chunks_from_text(const char* text, std::size_t n, unsigned base, chunk_base c,
                      chunk_buffer& chunks)
{
    const std::size_t first = n % c.digits == 0 ? c.digits : n % c.digits;
    if (base == 10) { // chunks of nine characters
        uint64_t bad = 0;
        chunks.values[0] = uint32_t(decimal_chunk(text, first, bad));
        for (std::size_t ci = 1, i = first; ci < chunks.count; ++ci, i += 9) {
            const uint64_t last = uint8_t(text[i + 8]) - uint64_t('0');
            bad |= last > 9;
            chunks.values[ci] = uint32_t(eight_decimal_digits(text + i, bad) * 10 + last);
        }
        return bad == 0;
    }
    unsigned bad = 0;
    for (std::size_t ci = 0, i = 0; ci < chunks.count; ++ci) {
        const std::size_t end = ci == 0 ? first : i + c.digits;
        uint32_t v = 0;
        for (; i < end; ++i) {
            const unsigned d = text_characters.value[uint8_t(text[i])];
            bad |= d >= base;
            v = v * base + d;
        }
        chunks.values[ci] = v;
    }
    return bad == 0;
}

// The value of the chunks: Horner's rule below the divide-and-conquer
// threshold, splits at the squares of base^k above it.
natural from_chunks(const chunk_buffer& chunks, chunk_base c)
{
    // The largest split leaves 2^j < chunks chunks in the low part.
    std::size_t entries = 1;
    while ((std::size_t(2) << (entries - 1)) < chunks.count)
        ++entries;
    const power_table powers(c, chunks.count >= thresholds.radix_divide_and_conquer ? entries : 1,
                             SIZE_MAX / 4);
    from_text f(chunks.values, c, powers);
    return f.convert(0, chunks.count);
}

// Text in a base 2^s, any length: the bits gathered into limbs.
bool pow2_limbs_from_text(const char* text, std::size_t n, unsigned base, uint64_t* out,
                          std::size_t& count)
{
    switch (base) {
    case 2:
        return pow2_limbs_from_text<1>(text, n, out, count);
    case 4:
        return pow2_limbs_from_text<2>(text, n, out, count);
    case 8:
        return pow2_limbs_from_text<3>(text, n, out, count);
    case 16:
        return pow2_limbs_from_text<4>(text, n, out, count);
    default:
        return pow2_limbs_from_text<5>(text, n, out, count);
    }
}

} // namespace

std::size_t short_from_digit_values(digit* out, const uint8_t* values, std::size_t n, unsigned base)
{
    std::size_t len;
    if (is_power_of_two(base)) {
        len = pow2_from_digit_values(out, values, n, base);
    } else {
        // Chunks of k values, base^k the largest power of the base below
        // 2^64, multiplied into 64-bit limbs, then regrouped into digits.
        const uint64_t power = wide_chunks.entry[base].power;
        const unsigned k = wide_chunks.entry[base].digits;
        limb acc[short_text_digits * digit_bits / 64 + 2];
        std::size_t ln = 0;
        // The leading chunk takes the n mod k leftover values.
        std::size_t j = 0;
        while (j < n) {
            const std::size_t take = j == 0 && n % k != 0 ? n % k : k;
            uint64_t v = 0;
            for (std::size_t t = 0; t < take; ++t)
                v = v * base + values[j++];
            limbs_multiply_add(acc, ln, power, v);
        }
        len = std::min<std::size_t>((ln * 64 + digit_bits - 1) / digit_bits, short_text_digits);
        unpack_limbs({out, len}, {acc, ln});
    }
    while (len > 0 && out[len - 1] == 0)
        --len;
    return len;
}

bool short_limbs_from_text(const char* text, std::size_t n, unsigned base, uint64_t* out,
                           std::size_t& count)
{
    if (is_power_of_two(base))
        return pow2_limbs_from_text(text, n, base, out, count);
    if (base == 10)
        return decimal_limbs_from_text(text, n, out, count);
    return chunked_limbs_from_text(text, n, base, out, count);
}

std::size_t short_to_characters(std::span<const digit> m, unsigned base, char* out)
{
    if (m.empty()) {
        out[0] = '0';
        return 1;
    }
    if (is_power_of_two(base))
        return to_characters_pow2(m, unsigned(std::countr_zero(base)), out);
    // Chunks of k characters by division by base^k, the largest power of the
    // base below 2^64, on limbs in place: least significant chunk first.
    const uint64_t power = wide_chunks.entry[base].power;
    const unsigned k = wide_chunks.entry[base].digits;
    limb l[short_to_text_digits * digit_bits / 64 + 2];
    std::size_t ln = limbs_for_digits(m.size());
    pack_limbs({l, ln}, m);
    while (ln > 0 && l[ln - 1] == 0)
        --ln;
    // At most short_to_text_digits * 30 bits: 1200 / log2(3) < 760 characters.
    char text[short_to_text_digits * digit_bits];
    char *end = text + sizeof text, *p = end;
    while (ln > 1 || (ln == 1 && l[0] >= power)) {
        const uint64_t chunk = limbs_divrem_1(l, l, ln, power);
        while (ln > 0 && l[ln - 1] == 0)
            --ln;
        chunk_characters(chunk, k, p, base);
        p -= k;
    }
    // The most significant chunk, without leading zeros.
    uint64_t top = ln == 0 ? 0 : l[0];
    unsigned width = 0;
    for (uint64_t t = top; t != 0; t /= base)
        ++width;
    chunk_characters(top, width, p, base);
    p -= width;
    const std::size_t count = std::size_t(end - p);
    for (std::size_t i = 0; i < count; ++i)
        out[i] = p[i];
    return count;
}

std::size_t digits_upper_bound(std::size_t significant_digits, unsigned base)
{
    const unsigned k = unsigned(std::bit_width(base)) - 1;
    return digit_bits * significant_digits / k + 1;
}

std::size_t to_characters(const natural& a, unsigned base, char* out)
{
    if (a.is_zero()) {
        out[0] = '0';
        return 1;
    }
    if (std::has_single_bit(base))
        return to_characters_pow2(a.view(), unsigned(std::countr_zero(base)), out);
    const chunk_base c = chunk_for(base);
    const power_table powers(c, a.size() >= thresholds.radix_divide_and_conquer ? 64 : 1, a.size());
    to_text t(base, c, powers, out);
    t.convert(a, 0);
    return t.written();
}

natural from_digit_values(const uint8_t* values, std::size_t n, unsigned base)
{
    natural r;
    if (std::has_single_bit(base)) {
        const std::size_t total = pow2_digits_for_values(n, base);
        r.trim(pow2_from_digit_values(r.prepare(total), values, n, base));
        return r;
    }
    const chunk_base c = chunk_for(base);
    chunk_buffer chunks(n, c);
    // The leading chunk takes the n mod k leftover digits.
    std::size_t j = 0;
    for (std::size_t ci = 0; ci < chunks.count; ++ci) {
        const std::size_t take = ci == 0 && n % c.digits != 0 ? n % c.digits : c.digits;
        uint32_t v = 0;
        for (std::size_t t = 0; t < take; ++t)
            v = v * base + values[j++];
        chunks.values[ci] = v;
    }
    return from_chunks(chunks, c);
}

bool from_plain_text(const char* text, std::size_t n, unsigned base, natural& out)
{
    if (n == 0) {
        out = natural();
        return true;
    }
    if (std::has_single_bit(base)) {
        // In 64 bits: where size_t has 32, n bits times up to 5 would wrap.
        const auto room = std::size_t(uint64_t(n) * unsigned(std::countr_zero(base)) / 64 + 1);
        limb* l = allocate_limbs(room, memory_message);
        std::size_t ln = 0;
        const bool plain = pow2_limbs_from_text(text, n, base, l, ln);
        if (plain) {
            const auto size = std::size_t((uint64_t(ln) * 64 + digit_bits - 1) / digit_bits);
            unpack_limbs({out.prepare(size), size}, {l, ln});
            out.trim(size);
        }
        release_limbs(l);
        return plain;
    }
    const chunk_base c = chunk_for(base);
    chunk_buffer chunks(n, c);
    if (!chunks_from_text(text, n, base, c, chunks))
        return false;
    out = from_chunks(chunks, c);
    return true;
}

} // namespace zbig
