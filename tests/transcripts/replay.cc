// Replays transcript files against the real binary, and checks that every
// transcript shown in a document is one of them.
//
//   qch_transcript_replay FILE...            replay each session of each file
//   qch_transcript_replay --doc DOC FILE...  every transcript block in DOC
//                                            must be a session of the files
//
// The form of a transcript file is described in tests/transcripts/README.md.
// Exit status 0 when everything matched; 1 with one message per mismatch on
// standard error otherwise.
#include <cstdio>
#include <string>
#include <vector>

#include "transcripts/transcript.h"

namespace {

// A session whose desktop runs a script (input at set times, sampled by the
// helper's own clocks) depends on the scheduler: on a loaded machine a
// pointer sample can come late and see two moves as one. Such a session is
// tried up to three times and fails only when every try fails; any other
// session gets one try.
void replay_session(const transcript::Session& session, std::vector<std::string>& failures) {
  bool timed = session.desktop && session.desktop->is_object() &&
               session.desktop->contains("script");
  std::vector<std::string> last;
  for (int attempt = 0; attempt < (timed ? 3 : 1); ++attempt) {
    last.clear();
    transcript::replay(session, last);
    if (last.empty()) return;
  }
  failures.insert(failures.end(), last.begin(), last.end());
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string doc;
  if (args.size() >= 2 && args[0] == "--doc") {
    doc = args[1];
    args.erase(args.begin(), args.begin() + 2);
  }
  if (args.empty()) {
    std::fprintf(stderr, "usage: qch_transcript_replay [--doc DOC] FILE...\n");
    return 2;
  }
  std::vector<std::string> failures;
  std::vector<transcript::Session> sessions;
  for (const std::string& path : args) {
    std::vector<transcript::Session> parsed = transcript::parse_file(path, failures);
    sessions.insert(sessions.end(), parsed.begin(), parsed.end());
  }
  if (failures.empty()) {
    if (doc.empty()) {
      for (const transcript::Session& session : sessions) replay_session(session, failures);
    } else {
      transcript::check_document(doc, sessions, failures);
    }
  }
  for (const std::string& failure : failures) std::fprintf(stderr, "%s\n", failure.c_str());
  if (failures.empty()) std::printf("%zu sessions agree\n", sessions.size());
  return failures.empty() ? 0 : 1;
}
