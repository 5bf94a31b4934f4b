// Free-format digit generation (Steele & White, Burger & Dybvig) over exact
// big integers: the value is r/s, the rounding interval around it reaches
// m_minus/s below and m_plus/s above. Digits are produced until the digits
// so far, or those plus one in the last place, fall inside the interval;
// its bounds belong to it when the significand is even, since reading then
// rounds a midpoint to this value.
#include "json/shortest.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace json {
namespace {

// Non-negative integers below 2^1536; the largest met is about 2^1140.
class Big {
 public:
  explicit Big(uint64_t v = 0) {
    limbs_[0] = static_cast<uint32_t>(v);
    limbs_[1] = static_cast<uint32_t>(v >> 32);
    size_ = limbs_[1] ? 2 : limbs_[0] ? 1 : 0;
  }
  void shift_left(int bits) {
    int words = bits / 32, rest = bits % 32;
    if (size_ == 0) return;
    for (int i = size_ - 1; i >= 0; --i) {
      uint64_t wide = static_cast<uint64_t>(limbs_[i]) << rest;
      limbs_[i + words + 1] |= static_cast<uint32_t>(wide >> 32);
      limbs_[i + words] = static_cast<uint32_t>(wide);
      if (words) limbs_[i] = 0;
    }
    size_ += words + 1;
    trim();
  }
  void multiply(uint32_t factor) {
    uint64_t carry = 0;
    for (int i = 0; i < size_; ++i) {
      uint64_t p = static_cast<uint64_t>(limbs_[i]) * factor + carry;
      limbs_[i] = static_cast<uint32_t>(p);
      carry = p >> 32;
    }
    if (carry) limbs_[size_++] = static_cast<uint32_t>(carry);
  }
  void multiply_pow10(int n) {
    for (; n >= 9; n -= 9) multiply(1000000000);
    static constexpr uint32_t kPow10[] = {1, 10, 100, 1000, 10000, 100000,
                                          1000000, 10000000, 100000000};
    multiply(kPow10[n]);
  }
  void add(const Big& other) {
    uint64_t carry = 0;
    int n = size_ > other.size_ ? size_ : other.size_;
    for (int i = 0; i < n; ++i) {
      uint64_t s = static_cast<uint64_t>(limbs_[i]) + other.limbs_[i] + carry;
      limbs_[i] = static_cast<uint32_t>(s);
      carry = s >> 32;
    }
    size_ = n;
    if (carry) limbs_[size_++] = 1;
  }
  void subtract(const Big& other) {  // other <= *this
    int64_t borrow = 0;
    for (int i = 0; i < size_; ++i) {
      int64_t d = static_cast<int64_t>(limbs_[i]) - other.limbs_[i] - borrow;
      borrow = d < 0;
      limbs_[i] = static_cast<uint32_t>(d + (borrow << 32));
    }
    trim();
  }
  friend int compare(const Big& a, const Big& b) {
    if (a.size_ != b.size_) return a.size_ < b.size_ ? -1 : 1;
    for (int i = a.size_ - 1; i >= 0; --i) {
      if (a.limbs_[i] != b.limbs_[i]) return a.limbs_[i] < b.limbs_[i] ? -1 : 1;
    }
    return 0;
  }
  friend Big operator+(Big a, const Big& b) {
    a.add(b);
    return a;
  }

 private:
  void trim() {
    while (size_ > 0 && limbs_[size_ - 1] == 0) --size_;
  }
  std::array<uint32_t, 48> limbs_{};
  int size_ = 0;
};

}  // namespace

Decimal shortest(double value) {
  uint64_t bits = std::bit_cast<uint64_t>(value);
  uint64_t fraction = bits & ((uint64_t{1} << 52) - 1);
  int biased = static_cast<int>(bits >> 52) & 0x7FF;
  uint64_t f = biased ? fraction | uint64_t{1} << 52 : fraction;
  int e = biased ? biased - 1075 : -1074;
  // At a power of two above the least normal exponent the gap below is half
  // the gap above; everything is doubled once more to keep it an integer.
  bool uneven = biased > 1 && fraction == 0;
  bool inclusive = f % 2 == 0;

  Big r(f), s(1), m_plus(1), m_minus(1);
  r.shift_left(uneven ? 2 : 1);
  if (e >= 0) {
    r.shift_left(e);
    m_plus.shift_left(e + (uneven ? 1 : 0));
    m_minus.shift_left(e);
    s.shift_left(uneven ? 2 : 1);
  } else {
    s.shift_left(-e + (uneven ? 2 : 1));
    if (uneven) m_plus.shift_left(1);
  }

  // k: the least power of ten with (r + m_plus) / s below it (or at most it
  // when the upper bound does not belong to the interval). An estimate from
  // the binary exponent, then corrected by at most a step or two.
  auto high_reaches = [&](const Big& scale) {
    int c = compare(r + m_plus, scale);
    return inclusive ? c >= 0 : c > 0;
  };
  int bit_length = 64 - std::countl_zero(f);
  int k = static_cast<int>((e + bit_length - 1) * 0.30102999566398114);
  if (k >= 0) {
    s.multiply_pow10(k);
  } else {
    r.multiply_pow10(-k);
    m_plus.multiply_pow10(-k);
    m_minus.multiply_pow10(-k);
  }
  while (high_reaches(s)) {
    s.multiply(10);
    ++k;
  }
  for (;;) {
    Big s_low = s;  // is the estimate one too high?
    Big scaled = r + m_plus;
    scaled.multiply(10);
    int c = compare(scaled, s_low);
    if (inclusive ? c >= 0 : c > 0) break;
    r.multiply(10);
    m_plus.multiply(10);
    m_minus.multiply(10);
    --k;
  }

  Decimal out;
  out.exponent = k - 1;
  for (;;) {
    r.multiply(10);
    m_plus.multiply(10);
    m_minus.multiply(10);
    int digit = 0;
    while (compare(r, s) >= 0) {
      r.subtract(s);
      ++digit;
    }
    int low_c = compare(r, m_minus);
    bool low = inclusive ? low_c <= 0 : low_c < 0;
    bool high = high_reaches(s);
    if (!low && !high) {
      out.digits.push_back(static_cast<char>('0' + digit));
      continue;
    }
    if (low && high) {
      int c = compare(r + r, s);
      if (c > 0 || (c == 0 && digit % 2 == 1)) ++digit;
    } else if (high) {
      ++digit;
    }
    out.digits.push_back(static_cast<char>('0' + digit));
    break;
  }
  while (out.digits.size() > 1 && out.digits.back() == '0') out.digits.pop_back();
  return out;
}

}  // namespace json
