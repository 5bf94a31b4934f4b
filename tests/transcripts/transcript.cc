#include "transcripts/transcript.h"

#include <chrono>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>

#include "support/child.h"
#include "support/desktop.h"

namespace transcript {
namespace {

using nlohmann::json;
using std::chrono::milliseconds;

// Generous: the sanitizer builds replay the same files.
constexpr milliseconds kLineTimeout(10000);

std::string where(const std::string& file, int line) {
  return file + ":" + std::to_string(line) + ": ";
}

std::vector<std::string> read_lines(const std::string& path, bool& ok) {
  std::ifstream in(path, std::ios::binary);
  ok = static_cast<bool>(in);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool starts_with(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

// "$ word word" or "$ [json array of strings]".
std::optional<std::vector<std::string>> parse_args(const std::string& rest) {
  std::vector<std::string> args;
  if (starts_with(rest, "[")) {
    json array = json::parse(rest, nullptr, false);
    if (!array.is_array()) return std::nullopt;
    for (const json& arg : array) {
      if (!arg.is_string()) return std::nullopt;
      args.push_back(arg.get<std::string>());
    }
    return args;
  }
  std::istringstream words(rest);
  for (std::string word; words >> word;) args.push_back(word);
  return args;
}

const std::regex kEndLine(R"(\(.*exit status (\d+)\))");

}  // namespace

bool matches(const std::string& expected, const std::string& actual) {
  static const std::string kInt = "{{int}}";
  size_t e = 0, a = 0;
  for (;;) {
    size_t hole = expected.find(kInt, e);
    std::string literal = expected.substr(e, hole == std::string::npos ? hole : hole - e);
    if (actual.compare(a, literal.size(), literal) != 0) return false;
    a += literal.size();
    if (hole == std::string::npos) return a == actual.size();
    if (a < actual.size() && actual[a] == '-') ++a;
    size_t digits = a;
    while (a < actual.size() && actual[a] >= '0' && actual[a] <= '9') ++a;
    if (a == digits) return false;
    e = hole + kInt.size();
  }
}

std::vector<Session> parse_file(const std::string& path, std::vector<std::string>& failures) {
  bool ok = false;
  std::vector<std::string> lines = read_lines(path, ok);
  if (!ok) {
    failures.push_back(path + ": cannot be read");
    return {};
  }
  std::vector<Session> sessions;
  std::optional<json> desktop;
  Session* open = nullptr;
  auto fail = [&](int line, const std::string& message) {
    failures.push_back(where(path, line) + message);
  };
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string& text = lines[i];
    int number = static_cast<int>(i) + 1;
    if (text.empty() || text[0] == '#') continue;
    if (starts_with(text, "desktop ")) {
      std::string value = text.substr(8);
      // A desktop written in place may go on over indented lines.
      while (i + 1 < lines.size() && !lines[i + 1].empty() &&
             (lines[i + 1][0] == ' ' || lines[i + 1][0] == '\t'))
        value += lines[++i];
      if (value == "none") {
        desktop.reset();
      } else if (starts_with(value, "{")) {
        desktop = json::parse(value, nullptr, false);
        if (desktop->is_discarded()) fail(number, "the desktop is not JSON");
      } else {
        std::ifstream in(std::string(QCH_SOURCE_DIR) + "/" + value);
        desktop = json::parse(in, nullptr, false);
        if (!in || desktop->is_discarded()) fail(number, "cannot read the desktop " + value);
      }
      continue;
    }
    if (text == "$" || starts_with(text, "$ ")) {
      if (open) fail(number, "the session before has no exit status line");
      auto args = parse_args(text.size() > 2 ? text.substr(2) : "");
      if (!args) fail(number, "arguments are neither words nor a JSON array of strings");
      sessions.push_back(Session{path, number, args.value_or(std::vector<std::string>{}),
                                 desktop, {}, "", 0});
      open = &sessions.back();
      continue;
    }
    if (!open) {
      fail(number, "a step outside a session (start one with \"$ <arguments>\")");
      continue;
    }
    std::smatch end;
    if (std::regex_match(text, end, kEndLine)) {
      open->steps.push_back({Step::kEnd, text, number});
      open->status = std::stoi(end[1]);
      open = nullptr;
    } else if (starts_with(text, "> ") || text == ">") {
      open->steps.push_back({Step::kWrite, text.size() > 2 ? text.substr(2) : "", number});
    } else if (starts_with(text, "< ")) {
      open->steps.push_back({Step::kRead, text.substr(2), number});
    } else if (starts_with(text, "! ")) {
      if (!open->desktop) fail(number, "a desktop action without a desktop");
      if (json::parse(text.substr(2), nullptr, false).is_discarded())
        fail(number, "the action is not JSON");
      open->steps.push_back({Step::kAct, text.substr(2), number});
    } else if (starts_with(text, "stderr: ")) {
      open->err += text.substr(8) + "\n";
    } else {
      fail(number, "not a transcript line: " + text);
    }
  }
  if (open) failures.push_back(where(path, open->line) + "the session has no exit status line");
  return sessions;
}

void replay(const Session& session, std::vector<std::string>& failures) {
  std::unique_ptr<support::Desktop> desktop;
  support::Env env;
  if (session.desktop) {
    desktop = std::make_unique<support::Desktop>(support::with_still_clock(*session.desktop));
    env = desktop->env();
  }
  support::Child child(session.args, env);
  auto fail = [&](int line, const std::string& message) {
    failures.push_back(where(session.file, line) + message);
  };
  // The host closes standard input once it has written its last line, as
  // a host of inspect must; the lines after it are read after the close.
  size_t last_write = 0;
  for (size_t i = 0; i < session.steps.size(); ++i)
    if (session.steps[i].kind == Step::kWrite || session.steps[i].kind == Step::kAct)
      last_write = i + 1;
  for (size_t i = 0; i < session.steps.size(); ++i) {
    const Step& step = session.steps[i];
    if (i == last_write) child.close_input();
    switch (step.kind) {
      case Step::kWrite:
        child.write(step.text + "\n");
        break;
      case Step::kAct:
        desktop->act(json::parse(step.text));
        if (!desktop->sync()) return fail(step.line, "the desktop did not take the action");
        break;
      case Step::kRead: {
        std::optional<std::string> got = child.read_line(kLineTimeout);
        if (!got) {
          return fail(step.line, "expected  " + step.text + "\n  but no line came (pending: \"" +
                                     child.pending_output() + "\", standard error: \"" +
                                     child.err() + "\")");
        }
        if (!matches(step.text, *got))
          return fail(step.line, "expected  " + step.text + "\n  got       " + *got);
        break;
      }
      case Step::kEnd: {
        while (std::optional<std::string> extra = child.read_line(kLineTimeout))
          fail(step.line, "a line no transcript line expects: " + *extra);
        if (!child.pending_output().empty())
          fail(step.line, "output without a line end: " + child.pending_output());
        int status = child.wait(kLineTimeout);
        if (status != session.status)
          fail(step.line, "exit status " + std::to_string(status) + ", expected " +
                              std::to_string(session.status));
        if (child.err() != session.err)
          fail(step.line, "standard error was \"" + child.err() + "\", expected \"" +
                              session.err + "\"");
        break;
      }
    }
  }
}

void check_document(const std::string& doc, const std::vector<Session>& sessions,
                    std::vector<std::string>& failures) {
  bool ok = false;
  std::vector<std::string> lines = read_lines(doc, ok);
  if (!ok) {
    failures.push_back(doc + ": cannot be read");
    return;
  }
  // The lines a host sees, as a document shows them.
  std::vector<std::vector<std::string>> shown;
  for (const Session& session : sessions) {
    std::vector<std::string> visible;
    for (const Step& step : session.steps) {
      if (step.kind == Step::kWrite) visible.push_back("> " + step.text);
      if (step.kind == Step::kRead) visible.push_back("< " + step.text);
      if (step.kind == Step::kEnd) visible.push_back(step.text);
    }
    shown.push_back(visible);
  }
  size_t blocks = 0;
  for (size_t i = 0; i < lines.size();) {
    bool opens = starts_with(lines[i], "    < ") || starts_with(lines[i], "    > ");
    if (!opens) {
      ++i;
      continue;
    }
    ++blocks;
    size_t first = i;
    std::vector<std::string> block;
    for (; i < lines.size() && starts_with(lines[i], "    "); ++i) block.push_back(lines[i].substr(4));
    // The session that agrees longest, for the message when none agrees.
    size_t best = 0, best_at = 0;
    bool found = false;
    for (size_t s = 0; s < shown.size() && !found; ++s) {
      const std::vector<std::string>& visible = shown[s];
      size_t n = 0;
      while (n < block.size() && n < visible.size() &&
             (block[n] == visible[n] || matches(visible[n], block[n])))
        ++n;
      found = n == block.size() && n == visible.size();
      if (n >= best) best = n, best_at = s;
    }
    if (found) continue;
    std::string message = where(doc, static_cast<int>(first + 1)) +
                          "this transcript is not one the tests replay";
    if (!shown.empty()) {
      const Session& near = sessions[best_at];
      const std::vector<std::string>& visible = shown[best_at];
      message += "\n  nearest: " + near.file + ":" + std::to_string(near.line);
      message += "\n  document: " + (best < block.size() ? block[best] : "(ends)");
      message += "\n  replayed: " + (best < visible.size() ? visible[best] : "(ends)");
    }
    failures.push_back(message);
  }
  if (blocks == 0) failures.push_back(doc + ": no transcript block found");
}

}  // namespace transcript
