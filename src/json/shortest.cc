// The digits come from {fmt}'s Dragonbox, used header-only so that nothing
// is linked: fmt::detail::dragonbox::to_decimal is the entry point its own
// formatter uses for the shortest round-trip form. Its significand may end
// in zeros (for integers); they move into the exponent here.
#include "json/shortest.h"

#ifndef FMT_HEADER_ONLY
#define FMT_HEADER_ONLY
#endif
#include <fmt/format.h>

namespace json {

Decimal shortest(double value) {
  auto decimal = fmt::detail::dragonbox::to_decimal(value);
  Decimal out;
  out.digits = std::to_string(decimal.significand);
  int exponent = decimal.exponent;
  while (out.digits.size() > 1 && out.digits.back() == '0') {
    out.digits.pop_back();
    ++exponent;
  }
  out.exponent = exponent + static_cast<int>(out.digits.size()) - 1;
  return out;
}

}  // namespace json
