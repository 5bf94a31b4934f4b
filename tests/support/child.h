// Running the real binary as a child process, as a host would.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace support {

using Env = std::vector<std::pair<std::string, std::string>>;
using std::chrono::milliseconds;

// Path of the built helper binary.
std::string binary();

struct RunResult {
  int status = -1;   // exit status; 128+n when killed by signal n; -1 timeout
  std::string out;   // everything written to standard output
  std::string err;   // everything written to standard error
};

// Runs the binary with `args`, feeds it `input` and closes its standard input,
// and collects its output. Kills it after `timeout`.
RunResult run(const std::vector<std::string>& args, const std::string& input,
              const Env& env = {}, milliseconds timeout = milliseconds(10000));

// How a child's standard streams are handed to it.
struct Streams {
  bool nonblocking_input = false;   // its standard input in non-blocking mode
  bool nonblocking_output = false;  // its standard output in non-blocking mode
  bool closed_output = false;       // it starts with standard output closed
};

// A running child with pipes on all three standard streams. The environment
// is the test's own plus `env` (and without QUORVEL_DESKTOP unless given).
class Child {
 public:
  Child(const std::vector<std::string>& args, const Env& env = {},
        Streams streams = {});
  ~Child();  // kills the child if it still runs
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  void write(const std::string& text);  // to its standard input
  void close_input();
  // Next line of standard output without its "\n"; none on timeout or end.
  std::optional<std::string> read_line(milliseconds timeout = milliseconds(5000));
  // Waits for the exit status (see RunResult::status); -1 on timeout.
  int wait(milliseconds timeout = milliseconds(5000));
  // The same, leaving standard output unread meanwhile, as a host that has
  // stopped reading does (what is already there can be read afterwards).
  int wait_unread(milliseconds timeout);
  // Everything written to standard error so far (after wait: all of it).
  std::string err();
  // Standard output received but not yet returned by read_line: after the
  // end of output, a last line that had no "\n".
  std::string pending_output() const { return out_buffer_; }
  int pid() const { return pid_; }

 private:
  // wait and wait_unread: standard error is always read meanwhile.
  int wait_for_exit(milliseconds timeout, bool read_output);

  int pid_ = -1;
  int in_ = -1, out_ = -1, err_ = -1;
  std::string out_buffer_, err_buffer_;
  int status_ = -1;
  bool exited_ = false;
};

}  // namespace support
