// Bringing texts read from the screen to a bounded, readable form.
//
// Texts are UTF-8; every length is a count of Unicode scalar values.
// Whitespace is the White_Space property; a numeric character is one of
// general category Nd, Nl or No. The normalised form of a text is its words
// (runs between whitespace) joined by single spaces. Cuts fall only at word
// boundaries where possible, and a word holding a numeric character is never
// shown cut at an edge: it is dropped instead. Pure functions, any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace screen_text {

// The beginning of the normalised text, at most `max` characters, ending at a
// word boundary; none when nothing is left.
std::optional<std::string> clip(std::string_view text, uint64_t max);

// For a text known to be cut at its start: drops the first (partial) word
// and every number word after it. A suffix of `text`; none when nothing is
// left.
std::optional<std::string_view> after_cut(std::string_view text);

// The normalised text whole when it fits in `max` characters; otherwise its
// head and tail, each of at most max / 2 characters, joined by " … ".
std::optional<std::string> both_ends(std::string_view text, uint64_t max);

// `both_ends` of a long text of which only the first bytes (`head`) and the
// last bytes (`tail`) were read, the middle left out. When the two hold
// enough characters for both ends the answer is the one for the whole text;
// otherwise none, and the caller reads more. A piece may end (head) or
// begin (tail) with a character cut in two.
std::optional<std::optional<std::string>> both_ends_of_ends(std::string_view head,
                                                            std::string_view tail, uint64_t max);

}  // namespace screen_text
