// Transcript files: sessions of the real binary written down as a host sees
// them. Parsing, replaying one session, and checking a document's transcript
// blocks against the parsed sessions. Every function reports what did not
// match as "file:line: message" strings appended to `failures`.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace transcript {

struct Step {
  enum Kind { kWrite, kRead, kAct, kEnd };
  Kind kind;
  std::string text;  // the line without its marker; for kEnd the whole line
  int line;          // where it stands in the file
};

struct Session {
  std::string file;
  int line = 0;                           // the "$" line
  std::vector<std::string> args;          // the helper's arguments
  std::optional<nlohmann::json> desktop;  // none: no QUORVEL_DESKTOP
  std::vector<Step> steps;                // ends with one kEnd step
  std::string err;                        // all of standard error
  int status = 0;                         // from the kEnd step
};

std::vector<Session> parse_file(const std::string& path, std::vector<std::string>& failures);

void replay(const Session& session, std::vector<std::string>& failures);

// Every block of indented lines in `doc` that starts with "< " or "> " must
// equal the host-visible lines of one session.
void check_document(const std::string& doc, const std::vector<Session>& sessions,
                    std::vector<std::string>& failures);

// Whether `actual` is `expected`, where each "{{int}}" in `expected` stands
// for one decimal integer (optionally negative).
bool matches(const std::string& expected, const std::string& actual);

}  // namespace transcript
