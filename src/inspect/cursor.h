// A strict JSON reader that walks text in place, building no values.
//
// Why two readers: the inspect mode takes only the members it knows and
// builds nothing from the rest of a request, however large, so it walks the
// text; where a value is wanted, json::parse_strictly (json/strict.h) builds
// it. Both refuse the same texts, except that this one takes an integer
// beyond 64 bits as a double (readers_agree_test.cc).
//
// The grammar is that of RFC 8259 with nothing added: white space is space,
// tab, line feed and carriage return; no comments, no byte order mark, no
// trailing commas, no leading zeros; a \u escape of a surrogate must be half
// of a pair; a number must fit a double (1e400 is refused, 1e-400 is zero).
// The text must already be valid UTF-8. Nested arrays and objects
// are skipped with a stack on the heap, so depth costs memory, not the call
// stack. Every operation returns false on a syntax error; the cursor is then
// left where the error was found and must not be used further.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace inspect {

// A number token: its sign, whether it was written as an integer (no
// fraction, no exponent), and for integers the magnitude if it fits 64 bits.
struct Number {
  bool negative = false;
  bool integer = false;  // also false for an integer beyond 64 bits
  uint64_t magnitude = 0;
};

class Cursor {
 public:
  explicit Cursor(std::string_view text) : text_(text) {}

  void skip_white_space() {
    while (pos_ < text_.size()) {
      char c = text_[pos_];
      if (c != ' ' && c != '\n' && c != '\r' && c != '\t') return;
      ++pos_;
    }
  }
  // The next byte, or 0 at the end of the text.
  char peek() const { return pos_ < text_.size() ? text_[pos_] : '\0'; }
  bool at_end() const { return pos_ == text_.size(); }
  size_t remaining() const { return text_.size() - pos_; }

  // Each reads one value of its kind at the cursor and moves past it.
  bool number(Number& out);
  bool string(std::string& out);  // decodes the escapes into `out`
  bool boolean(bool& out);
  bool skip_value();  // any value, however deeply nested

  // Walks the array at the cursor: `element()` is called with the cursor on
  // each element and must read exactly one value.
  template <typename Element>
  bool array(Element element);
  // Walks the object at the cursor: `member(key)` is called with the cursor
  // on each member's value and must read exactly one value.
  template <typename Member>
  bool object(Member member);

 private:
  bool skip_string();
  bool literal(std::string_view word);
  bool expect(char c);
  // Reads the four hex digits of a \u escape.
  bool hex4(uint32_t& out);
  // Reads the escape after a backslash; appends its UTF-8 if `out` is given.
  bool escape(std::string* out);

  std::string_view text_;
  size_t pos_ = 0;
};

template <typename Element>
bool Cursor::array(Element element) {
  if (!expect('[')) return false;
  skip_white_space();
  if (peek() == ']') return expect(']');
  for (;;) {
    if (!element()) return false;
    skip_white_space();
    if (peek() == ']') return expect(']');
    if (!expect(',')) return false;
    skip_white_space();
  }
}

template <typename Member>
bool Cursor::object(Member member) {
  if (!expect('{')) return false;
  skip_white_space();
  if (peek() == '}') return expect('}');
  std::string key;
  for (;;) {
    key.clear();
    if (peek() != '"' || !string(key)) return false;
    skip_white_space();
    if (!expect(':')) return false;
    skip_white_space();
    if (!member(key)) return false;
    skip_white_space();
    if (peek() == '}') return expect('}');
    if (!expect(',')) return false;
    skip_white_space();
  }
}

}  // namespace inspect
