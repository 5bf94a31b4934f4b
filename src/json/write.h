// Compact serialization of the host protocol: no white space, keys in
// ascending byte order, strings escaped only where JSON requires it (control
// characters as \b \t \n \f \r or \u00xx in lower case, raw UTF-8 otherwise),
// integers in plain decimal, doubles as the shortest text that reads back the
// same (plain notation for decimal exponents -5..15 with at least one digit
// after the point, d.ddde+x otherwise; not finite as null).
#pragma once

#include <string>

#include "json/value.h"

namespace json {

void serialize_to(const Value& value, std::string& out);
std::string serialize(const Value& value);
// Appends a double in the protocol's form.
void write_double(double value, std::string& out);

}  // namespace json
