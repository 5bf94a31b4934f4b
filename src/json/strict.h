// The strict JSON reader that builds values: desktop files and control lines
// of the simulated desktop, and the text argument of the dictate commands.
// Stricter than the parser alone, which would stop at a NUL byte, skip a
// byte-order mark and turn integers beyond 64 bits into floating point
// without a word. The whole text and its value are held at once.
//
// Why two readers: inspect::Cursor (inspect/cursor.h) walks a request in
// place, so the inspect mode builds nothing from the members it does not
// know, however large; this reader builds the value its callers go on to
// use. Both refuse the same texts, except that the cursor takes an integer
// beyond 64 bits as a double (inspect/readers_agree_test.cc).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "json/value.h"

namespace json {

// What the text must hold at its top level. Checked on the first byte after
// the white space, before anything is built.
enum class Expect : uint8_t { AnyValue, String };

// Parses `text` (one value, JSON white space around it) into `out`. Returns
// "" or the reason it is refused, the first that applies:
//   "not valid JSON (a NUL byte)"          a NUL anywhere;
//   "not valid JSON (a byte-order mark)"   the text starts with one;
//   "not a JSON string"                    Expect::String and another value;
//   "not valid JSON"                       anything the grammar refuses;
//   "an integer beyond the 64-bit range"   an integer outside
//                                          [-2^63, 2^64 - 1].
// `out` is unspecified after a refusal.
std::string parse_strictly(std::string_view text, Value* out,
                           Expect expect = Expect::AnyValue);

}  // namespace json
