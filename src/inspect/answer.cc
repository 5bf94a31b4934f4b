// Parsing uses the library's non-throwing form. Its parser keeps its own
// stack on the heap and its values are destroyed iteratively, so deep
// nesting anywhere in the request costs memory, never the call stack. The
// parsed value is only read, never copied or printed (both recurse).
#include "inspect/answer.h"

#include "json/write.h"
#include "unicode/utf8.h"

namespace inspect {

namespace {

// The parser would skip a byte order mark, and it takes a NUL byte for the
// end of the input, so it would accept one followed by anything. Neither is
// part of any JSON text (NUL is not even allowed raw inside strings).
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

Answer refuse(std::string_view message) { return Answer{1, "", std::string(message)}; }

}  // namespace

Answer answer(std::string_view input, const Lookups& lookups) {
  if (input.size() > kRequestLimit) input = input.substr(0, kRequestLimit);
  if (!unicode::valid_utf8(input)) return refuse(kUnreadable);
  if (input.starts_with(kByteOrderMark) || input.find('\0') != std::string_view::npos)
    return refuse(kNotARequest);

  json::Value value = json::Value::parse(input, nullptr, /*allow_exceptions=*/false);
  if (value.is_discarded()) return refuse(kNotARequest);
  std::optional<Request> request = inspect::request(value);
  if (!request) return refuse(kNotARequest);

  Answer result;
  result.out = json::serialize(respond(*request, lookups));
  result.out += '\n';
  return result;
}

Answer answer(std::string_view input) {
  static const Lookups lookups = platform_lookups();
  return answer(input, lookups);
}

}  // namespace inspect
