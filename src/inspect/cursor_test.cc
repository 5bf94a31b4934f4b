#include "inspect/cursor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <string>

namespace inspect {
namespace {

// The midpoint between the largest double and 2^1024, in full: the least
// magnitude that rounds to infinity.
constexpr const char* kMidpoint =
    "179769313486231580793728971405303415079934132710037826936173"
    "778980444968292764750946649017977587207096330286416692887910"
    "946555547851940402630657488671505820681908902000708383676273"
    "854845817711531764475730270069855571366959622842914819860834"
    "936475292719074168444365510704342711559699508093042880177904"
    "174497792";

bool accepted(const std::string& token) {
  Cursor cursor(token);
  Number n;
  return cursor.number(n) && cursor.at_end();
}

// The oracle: a correctly rounding conversion (the C library's, in the "C"
// locale the tests run in) overflows to infinity.
bool fits(const std::string& token) {
  return !std::isinf(std::strtod(token.c_str(), nullptr));
}

// The digits `d` (no point) written with the point after `whole` digits, a
// run of leading zeros in the fraction when whole is 0, and an exponent that
// keeps the value at 0.d * 10^exponent.
std::string write(const std::string& d, int64_t exponent, int whole, int zeros,
                  bool negative, bool capital) {
  std::string s = negative ? "-" : "";
  if (whole == 0) {
    s += "0." + std::string(static_cast<size_t>(zeros), '0') + d;
    exponent += zeros;
  } else {
    size_t w = std::min<size_t>(static_cast<size_t>(whole), d.size());
    s += d.substr(0, w);
    if (w < d.size()) s += "." + d.substr(w);
    exponent -= static_cast<int64_t>(w);
  }
  if (exponent != 0 || capital) {
    s += capital ? "E" : "e";
    if (exponent > 0 && capital) s += "+";
    s += std::to_string(exponent);
  }
  return s;
}

TEST(CursorNumberTest, OverflowIsDecidedExactlyAtTheRoundingMidpoint) {
  const std::string mid = kMidpoint;
  EXPECT_FALSE(accepted(mid));
  EXPECT_FALSE(accepted(mid + ".0"));
  EXPECT_FALSE(accepted("0." + mid + "e309"));
  EXPECT_FALSE(accepted("-" + mid.substr(0, 1) + "." + mid.substr(1) + "e308"));
  // One unit less in the last of the 309 digits still rounds down to the
  // largest double, however long the tail of nines after it.
  std::string below = mid;
  below.back() = '1';
  EXPECT_TRUE(accepted(below));
  EXPECT_TRUE(accepted(below + ".99999999999999999999999999"));
  EXPECT_FALSE(accepted(mid + ".00000000000000000000000001"));
  EXPECT_TRUE(accepted("0.0000" + below + "e313"));
  EXPECT_FALSE(accepted("0.0000" + mid + "e313"));
  // Huge and tiny exponents, and zero with any exponent.
  EXPECT_FALSE(accepted("1e99999999999999999999"));
  EXPECT_TRUE(accepted("1e-99999999999999999999"));
  EXPECT_TRUE(accepted("0.000e99999999999999999999"));
  EXPECT_TRUE(accepted("-0e400"));
}

// Tokens near the boundary in every form JSON allows, against the oracle.
TEST(CursorNumberTest, AgreesWithACorrectlyRoundingConversion) {
  std::mt19937_64 random(20240611);
  const std::string mid = kMidpoint;
  auto pick = [&](int64_t lo, int64_t hi) {
    return std::uniform_int_distribution<int64_t>(lo, hi)(random);
  };
  int overflows = 0, fitting = 0;
  for (int round = 0; round < 40000; ++round) {
    std::string d;
    int64_t exponent = 309;
    switch (pick(0, 3)) {
      case 0: {  // the midpoint's digits, cut, changed at one place, or extended
        d = mid.substr(0, static_cast<size_t>(pick(1, 309)));
        if (pick(0, 1)) {
          size_t at = static_cast<size_t>(pick(0, static_cast<int64_t>(d.size()) - 1));
          d[at] = static_cast<char>('0' + pick(at == 0 ? 1 : 0, 9));
        }
        if (pick(0, 2) == 0) d += std::string(static_cast<size_t>(pick(1, 20)), '0');
        if (pick(0, 2) == 0) d += std::to_string(pick(1, 999999));
        break;
      }
      case 1:  // the largest double and its neighbours, shortest digits
        d = "17976931348623157" + std::to_string(pick(0, 99));
        break;
      default:  // random digits at exponents around the limit
        d = std::to_string(pick(1, 9));
        for (int64_t k = pick(0, 30); k > 0; --k) d += static_cast<char>('0' + pick(0, 9));
        exponent = pick(300, 312);
    }
    std::string token = write(d, exponent, static_cast<int>(pick(0, 3)),
                              static_cast<int>(pick(0, 5)), pick(0, 1), pick(0, 1));
    bool expected = fits(token);
    ASSERT_EQ(accepted(token), expected) << token;
    (expected ? fitting : overflows) += 1;
  }
  // Both sides were reached often.
  EXPECT_GT(overflows, 5000);
  EXPECT_GT(fitting, 5000);
}

}  // namespace
}  // namespace inspect
