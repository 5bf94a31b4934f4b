#include "json/shortest.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>

namespace json {
namespace {

// The oracle: the C++ library's shortest form (GCC's, Ryu), as digits and
// exponent.
Decimal library(double v) {
  char text[40];
  auto end = std::to_chars(text, text + sizeof text, v, std::chars_format::scientific).ptr;
  std::string s(text, end);
  size_t e = s.find('e');
  Decimal d;
  d.digits = s.substr(0, 1) + (e > 2 ? s.substr(2, e - 2) : "");
  d.exponent = std::stoi(s.substr(e + 1));
  return d;
}

void expect_same(double v) {
  Decimal mine = shortest(v), theirs = library(v);
  ASSERT_EQ(mine.digits, theirs.digits) << std::bit_cast<uint64_t>(v);
  ASSERT_EQ(mine.exponent, theirs.exponent) << std::bit_cast<uint64_t>(v);
}

// Where free-format generation goes wrong if it goes wrong at all: powers of
// two (the uneven gap), their neighbours, the subnormal and normal limits,
// integers and short decimals.
TEST(ShortestTest, MatchesTheLibraryAtTheHardPlaces) {
  for (int e = -1074; e <= 1023; ++e) {
    double p = std::ldexp(1.0, e);
    expect_same(p);
    if (e > -1074) expect_same(std::nextafter(p, 0.0));
    expect_same(std::nextafter(p, INFINITY));
  }
  for (uint64_t bits = 1; bits < 5000; ++bits) {
    expect_same(std::bit_cast<double>(bits));                          // least subnormals
    expect_same(std::bit_cast<double>((uint64_t{1} << 52) - bits));    // largest subnormals
    expect_same(std::bit_cast<double>(uint64_t{0x7FF0000000000000} - bits));  // largest
  }
  for (int64_t i = 1; i < 100000; i += 7) {
    expect_same(static_cast<double>(i));
    expect_same(static_cast<double>(i) / 1000);
    expect_same(static_cast<double>(i) * 1e300);
    expect_same(static_cast<double>(i) * 1e-300);
  }
  for (int n = -323; n <= 308; ++n) expect_same(std::pow(10.0, n));
}

TEST(ShortestTest, MatchesTheLibraryOnRandomDoubles) {
  std::mt19937_64 random(7);
  for (int i = 0; i < 300000; ++i) {
    double v = std::bit_cast<double>(random() & 0x7FFFFFFFFFFFFFFF);
    if (!std::isfinite(v) || v == 0) continue;
    expect_same(v);
  }
}

}  // namespace
}  // namespace json
