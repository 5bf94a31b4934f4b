#include "json/write.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <type_traits>

#include "json/shortest.h"

namespace json {
namespace {

void write_string(const std::string& s, std::string& out) {
  static constexpr char kHex[] = "0123456789abcdef";
  out.push_back('"');
  size_t plain_from = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c >= 0x20 && c != '"' && c != '\\') continue;
    out.append(s, plain_from, i - plain_from);
    plain_from = i + 1;
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\b': out += "\\b"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\f': out += "\\f"; break;
      case '\r': out += "\\r"; break;
      default:
        out += "\\u00";
        out.push_back(kHex[c >> 4]);
        out.push_back(kHex[c & 0xF]);
    }
  }
  out.append(s, plain_from, std::string::npos);
  out.push_back('"');
}

// Plain decimal, by hand: std::to_chars for 64-bit integers reaches into
// the C++ library's binary, whose exported name differs between platforms.
template <class Int>
void write_integer(Int v, std::string& out) {
  char buf[24];
  char* p = buf + sizeof buf;
  bool negative = false;
  auto m = static_cast<uint64_t>(v);
  if constexpr (std::is_signed_v<Int>) {
    negative = v < 0;
    if (negative) m = ~m + 1;  // the magnitude, also of the most negative
  }
  do {
    *--p = static_cast<char>('0' + m % 10);
    m /= 10;
  } while (m != 0);
  if (negative) *--p = '-';
  out.append(p, buf + sizeof buf);
}

}  // namespace

void write_double(double v, std::string& out) {
  if (!std::isfinite(v)) {
    out += "null";
    return;
  }
  if (v == 0) {
    out += std::signbit(v) ? "-0.0" : "0.0";
    return;
  }
  bool negative = v < 0;
  Decimal shortest_form = shortest(negative ? -v : v);
  const std::string& digits = shortest_form.digits;
  int exponent = shortest_form.exponent;

  if (negative) out.push_back('-');
  if (exponent < -5 || exponent > 15) {
    out.push_back(digits[0]);
    if (digits.size() > 1) {
      out.push_back('.');
      out.append(digits, 1, std::string::npos);
    }
    out.push_back('e');
    out.push_back(exponent < 0 ? '-' : '+');
    write_integer(exponent < 0 ? -exponent : exponent, out);
    return;
  }
  if (exponent < 0) {
    out += "0.";
    out.append(static_cast<size_t>(-exponent - 1), '0');
    out += digits;
    return;
  }
  size_t int_len = static_cast<size_t>(exponent) + 1;
  if (digits.size() <= int_len) {
    out += digits;
    out.append(int_len - digits.size(), '0');
    out += ".0";
  } else {
    out.append(digits, 0, int_len);
    out.push_back('.');
    out.append(digits, int_len, std::string::npos);
  }
}

void serialize_to(const Value& value, std::string& out) {
  // Iterative so that deeply nested values cannot exhaust the stack.
  struct Frame {
    const Value* container;
    Value::const_iterator next;
  };
  std::vector<Frame> stack;
  const Value* current = &value;
  for (;;) {
    if (current) {
      switch (current->type()) {
        case Value::value_t::null:
        case Value::value_t::discarded:
          out += "null";
          break;
        case Value::value_t::boolean:
          out += current->get<bool>() ? "true" : "false";
          break;
        case Value::value_t::number_unsigned:
          write_integer(current->get<uint64_t>(), out);
          break;
        case Value::value_t::number_integer:
          write_integer(current->get<int64_t>(), out);
          break;
        case Value::value_t::number_float:
          write_double(current->get<double>(), out);
          break;
        case Value::value_t::string:
          write_string(current->get_ref<const std::string&>(), out);
          break;
        case Value::value_t::binary:
          out += "null";
          break;
        case Value::value_t::array:
        case Value::value_t::object:
          out.push_back(current->is_array() ? '[' : '{');
          stack.push_back({current, current->cbegin()});
          break;
      }
      current = nullptr;
    }
    if (stack.empty()) return;
    Frame& top = stack.back();
    bool is_object = top.container->is_object();
    if (top.next == top.container->cend()) {
      out.push_back(is_object ? '}' : ']');
      stack.pop_back();
      continue;
    }
    if (top.next != top.container->cbegin()) out.push_back(',');
    if (is_object) {
      write_string(top.next.key(), out);
      out.push_back(':');
    }
    current = &*top.next;
    ++top.next;
  }
}

std::string serialize(const Value& value) {
  std::string out;
  serialize_to(value, out);
  return out;
}

}  // namespace json
