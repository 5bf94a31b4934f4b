// The whole inspect exchange as a pure function of the input bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "inspect/respond.h"

namespace inspect {

// At most this many bytes of standard input are read; a longer request is
// cut here without an error of its own.
inline constexpr size_t kRequestLimit = 1048576;

inline constexpr std::string_view kUnreadable = "inspect: could not read the request\n";
inline constexpr std::string_view kNotARequest =
    "inspect: the request is not one this command reads\n";

struct Answer {
  uint8_t status = 0;  // 0 answered, 1 refused
  std::string out;     // the response line with its "\n", or empty
  std::string err;     // one of the two messages, or empty
};

// Cuts `input` at kRequestLimit, checks it is UTF-8, parses it as exactly
// one JSON object followed by nothing but JSON white space, checks it as a
// request and answers it through `lookups`.
Answer answer(std::string_view input, const Lookups& lookups);
Answer answer(std::string_view input);  // through the platform lookups

}  // namespace inspect
