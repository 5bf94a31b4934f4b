#include "inspect/answer.h"

#include "json/write.h"
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
  Answer result;
  result.out = json::serialize(respond(*checked, lookups));
  result.out += '\n';
  return result;
}

Answer answer(std::string_view input) {
  static const Lookups lookups = platform_lookups();
  return answer(input, lookups);
}

}  // namespace inspect
