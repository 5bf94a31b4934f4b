#include "inspect/answer.h"

#include <utility>

#include "unicode/utf8.h"

namespace inspect {

namespace {
Answer refuse(std::string_view message) { return Answer{1, "", std::string(message)}; }
}  // namespace

Answer answer(std::string_view input, const Lookups& lookups) {
  if (input.size() > kRequestLimit) input = input.substr(0, kRequestLimit);
  if (!unicode::valid_utf8(input)) return refuse(kUnreadable);
  std::optional<Request> checked = request(input);
  if (!checked) return refuse(kNotARequest);
  return Answer{0, response_line(respond(std::move(*checked), lookups)), ""};
}

Answer answer(std::string_view input) {
  static const Lookups lookups = platform_lookups();
  return answer(input, lookups);
}

}  // namespace inspect
