#include "inspect/answer.h"

#include <utility>

#include "stream/exit_status.h"
#include "unicode/utf8.h"

namespace inspect {

namespace {
Answer refuse(std::string_view message) {
  return Answer{stream::exit_status::kUsage, "", std::string(message)};
}
}  // namespace

Answer answer(std::string_view input, const Lookups& lookups) {
  if (input.size() > kRequestLimit) input = input.substr(0, kRequestLimit);
  if (!unicode::valid_utf8(input)) return refuse(kUnreadable);
  std::optional<Request> checked = request(input);
  if (!checked) return refuse(kNotARequest);
  return Answer{stream::exit_status::kOk, response_line(respond(std::move(*checked), lookups)),
                ""};
}

Answer answer(std::string_view input) {
  static const Lookups lookups = platform_lookups();
  return answer(input, lookups);
}

}  // namespace inspect
