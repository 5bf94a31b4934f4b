// The shortest decimal digits that read back as the same double under
// round-to-nearest-even, and of those the nearest to it (an exact tie goes
// to the even digit): what std::to_chars gives, without needing a C++
// library that has floating-point to_chars (Apple's before macOS 13.3 has
// not). Computed by {fmt}'s Dragonbox (header-only); no locale.
#pragma once

#include <string>

namespace json {

// value = d1.d2d3... * 10^exponent; digits has no trailing zero.
struct Decimal {
  std::string digits;
  int exponent = 0;
};

// `value` must be finite and greater than zero.
Decimal shortest(double value);

}  // namespace json
