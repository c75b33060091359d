// The record rules every operation goes through: stored length, growth,
// the zero test and how a computed magnitude lands in a caller's record.
#ifndef ZBIG_RECORD_H
#define ZBIG_RECORD_H

#include "digit.h"
#include "zbig.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace zbig
{

// The stored digits of a live record, as unsigned words.
inline std::span<digit> digits_of(mpz_rec* x)
{
    return {reinterpret_cast<digit*>(x->digits), x->len};
}
inline std::span<const digit> digits_of(const mpz_rec* x)
{
    return {reinterpret_cast<const digit*>(x->digits), x->len};
}

// Number of digits up to and including the highest nonzero one.
inline std::size_t significant_length(std::span<const digit> d)
{
    std::size_t n = d.size();
    while (n > 0 && d[n - 1] == 0)
        --n;
    return n;
}

// The digits of x up to its highest nonzero one.
inline std::span<const digit> significant_digits(const mpz_rec* x)
{
    return digits_of(x).first(significant_length(digits_of(x)));
}

// malloc/realloc that end the process with `message` when memory runs out.
digit* allocate_digits(std::size_t n, const char* message);
digit* reallocate_digits(digit* old, std::size_t n, const char* message);
void release_digits(digit* d);

// _mpz_realloc: grows to n digits (zero-filled) or zeroes the digits from n up.
void grow(mpz_rec* x, uint32_t n);

// Sets sign 0 when every stored digit is 0.
void zero_test(mpz_rec* x);

// Makes x zero keeping its stored length.
void clear_value(mpz_rec* x);

// A magnitude computed by an operation, standing for the temporary record the
// operation's result passes through: `len` is that temporary's stored length
// (at least 2), `data` holds its digits, of which the operation writes the
// first `written` (the rest read as zero). It is handed to the caller's record
// by store_result, which applies the copying rule of mpz_set (so the caller
// sees exactly the stored length the copy would leave) without copying the
// digits a second time.
struct result_digits {
    digit* data = nullptr;
    uint32_t len = 0;
    uint32_t written = 0;

    std::span<digit> span() { return {data, written}; }
};

// Zero-filled result of stored length max(len, 2), all of it written.
result_digits new_result(std::size_t len);

// Result of stored length max(len, 2) for dst, of which the caller writes
// the first `written` <= max(len, 2) digits. When the caller can compute into
// dst's own digits (in_place_ok: dst is no operand, or the algorithm reads
// every input digit before writing that index) and dst's array has room for
// `written` digits, this is dst's own array, NOT zero-filled: the caller
// writes every one of those digits, and store_result clears what the copy
// keeps above them. Otherwise it is new_result(len). Operations bound
// `written` by the significant lengths of their operands, so a result of the
// size a record already holds needs neither allocation nor zero-filling.
result_digits begin_result_slow(mpz_rec* dst, std::size_t len, std::size_t written,
                                bool in_place_ok);
inline result_digits begin_result(mpz_rec* dst, std::size_t len, std::size_t written,
                                  bool in_place_ok)
{
    if (in_place_ok && written <= dst->len && dst->digits != nullptr && len <= UINT32_MAX)
        return {reinterpret_cast<digit*>(dst->digits), static_cast<uint32_t>(len < 2 ? 2 : len),
                static_cast<uint32_t>(written)};
    return begin_result_slow(dst, len, written, in_place_ok);
}
inline result_digits begin_result(mpz_rec* dst, std::size_t len, bool in_place_ok)
{
    return begin_result(dst, len, len < 2 ? 2 : len, in_place_ok);
}

// Appends digit v to a result that begin_result placed in dst's own array,
// making room for it (the carry out of a sum that had exactly dst's room).
void append_digit(mpz_rec* dst, result_digits& result, digit v);

// Stored length that mpz_set(dst, src) leaves in dst, for a source of stored
// length src_len whose significant length is src_significant.
inline uint32_t copied_length(uint32_t dst_len, uint32_t src_len, std::size_t src_significant)
{
    // A longer source grows the destination only to its significant digits;
    // a shorter one re-creates the destination at the source's length.
    if (src_len > dst_len)
        return src_significant > dst_len ? static_cast<uint32_t>(src_significant) : dst_len;
    return src_len < 2 ? 2 : src_len;
}

// A result in a new array replaces dst's storage (store_result's other half).
void store_new_array(mpz_rec* dst, result_digits result, std::size_t significant, int sign);

// dst = the result with the given sign, as mpz_set(dst, temporary) would
// leave it, then the zero test. Takes ownership of result.data.
inline void store_result(mpz_rec* dst, result_digits result, int sign)
{
    std::size_t k = result.written;
    while (k > 0 && result.data[k - 1] == 0)
        --k;
    if (reinterpret_cast<digit*>(dst->digits) != result.data) {
        store_new_array(dst, result, k, sign);
        return;
    }
    // dst's own array: what the copy keeps above the value is zero. The
    // length is at most max(dst->len, written), so the array has room.
    const uint32_t len = copied_length(dst->len, result.len, k);
    for (std::size_t i = result.written; i < len; ++i)
        result.data[i] = 0;
    dst->len = len;
    dst->sign = static_cast<int16_t>(k == 0 ? 0 : sign);
}

// store_result for a result computed into dst's own array: its first
// `written` digits, the top significant one at significant - 1, for a
// temporary of stored length temp_len. The copy rule keeps at most
// max(dst->len, written) digits, so the array has room for the zeros.
inline void finish_in_place(mpz_rec* dst, std::size_t written, std::size_t significant,
                            uint32_t temp_len, int sign)
{
    const uint32_t len = copied_length(dst->len, temp_len, significant);
    for (std::size_t i = written; i < len; ++i)
        dst->digits[i] = 0;
    dst->len = len;
    dst->sign = static_cast<int16_t>(significant == 0 ? 0 : sign);
}

// store_result for a value computed apart from dst (on the stack): dst = the
// n digits v with the given sign, as a temporary of stored length temp_len
// holding them would leave it. v must not be dst's array.
void store_digits_slow(mpz_rec* dst, const digit* v, std::size_t n, std::size_t temp_len, int sign);
inline void store_digits(mpz_rec* dst, const digit* v, std::size_t n, std::size_t temp_len,
                         int sign)
{
    std::size_t k = n;
    while (k > 0 && v[k - 1] == 0)
        --k;
    // With room for the value, the copy rule keeps at most dst's own length.
    if (dst->digits == nullptr || k > dst->len || temp_len > UINT32_MAX) {
        store_digits_slow(dst, v, n, temp_len, sign);
        return;
    }
    const uint32_t len =
        copied_length(dst->len, static_cast<uint32_t>(temp_len < 2 ? 2 : temp_len), k);
    digit* d = reinterpret_cast<digit*>(dst->digits);
    for (std::size_t i = 0; i < k; ++i)
        d[i] = v[i];
    for (std::size_t i = k; i < len; ++i)
        d[i] = 0;
    dst->len = len;
    dst->sign = static_cast<int16_t>(k == 0 ? 0 : sign);
}

// Leaves x holding a fresh copy of y (mpz_init_set).
void init_copy(mpz_rec* x, const mpz_rec* y);

// A temporary record on the stack, live for the scope and released on every
// path.
class scoped_record
{
  public:
    scoped_record();
    explicit scoped_record(uint32_t u);             // mpz_init_set_ui
    explicit scoped_record(const mpz_rec* copy_of); // mpz_init_set
    ~scoped_record();
    scoped_record(const scoped_record&) = delete;
    scoped_record& operator=(const scoped_record&) = delete;
    mpz_rec* get() { return &rec_; }

  private:
    mpz_rec rec_;
};

// The value of `source` as it is now, copied (mpz_init_set) only when the
// caller is about to overwrite the source record and still needs it.
class snapshot
{
  public:
    snapshot(const mpz_rec* source, bool copy) : source_(source), copied_(copy)
    {
        if (copy)
            init_copy(&copy_, source);
    }
    ~snapshot()
    {
        if (copied_)
            mpz_clear(&copy_);
    }
    snapshot(const snapshot&) = delete;
    snapshot& operator=(const snapshot&) = delete;
    const mpz_rec* get() const { return copied_ ? &copy_ : source_; }

  private:
    const mpz_rec* source_;
    bool copied_;
    mpz_rec copy_{};
};

// A 32-bit value as the two-digit record mpz_init_set_ui / mpz_init_set_si
// would build, kept on the stack: operations read it like any temporary.
class small_record
{
  public:
    small_record(uint32_t magnitude, int sign)
        : d_{magnitude & digit_mask, magnitude >> digit_bits},
          rec_{reinterpret_cast<int32_t*>(d_), static_cast<int16_t>(magnitude == 0 ? 0 : sign), 2}
    {
    }
    explicit small_record(uint32_t u) : small_record(u, 1) {}
    small_record(const small_record&) = delete;
    small_record& operator=(const small_record&) = delete;
    const mpz_rec* get() const { return &rec_; }

  private:
    digit d_[2];
    mpz_rec rec_;
};

} // namespace zbig

#endif
