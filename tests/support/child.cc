// The child runs with pipes on its three standard streams. Every pipe end the
// parent keeps is non-blocking and close-on-exec, so one child never inherits
// another's pipes and a full pipe never stalls the test.
#include "support/child.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>

extern char** environ;

namespace support {

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kDesktopVariable = "QUORVEL_DESKTOP";

void set_flags(int fd) {
  fcntl(fd, F_SETFD, fcntl(fd, F_GETFD) | FD_CLOEXEC);
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

void close_fd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

// The test's environment without QUORVEL_DESKTOP and without any variable
// that `env` sets, followed by `env`.
std::vector<std::string> child_environment(const Env& env) {
  std::vector<std::string> result;
  for (char** e = environ; e && *e; ++e) {
    std::string_view entry(*e);
    std::string_view name = entry.substr(0, entry.find('='));
    bool replaced = name == kDesktopVariable;
    for (const auto& [key, value] : env) replaced = replaced || name == key;
    if (!replaced) result.emplace_back(entry);
  }
  for (const auto& [key, value] : env) result.push_back(key + "=" + value);
  return result;
}

int decode_status(int raw) {
  if (WIFEXITED(raw)) return WEXITSTATUS(raw);
  if (WIFSIGNALED(raw)) return 128 + WTERMSIG(raw);
  return -1;
}

// Moves whatever `fd` has now into `buffer`; closes `fd` at end of stream.
void drain(int& fd, std::string& buffer) {
  char chunk[65536];
  while (fd >= 0) {
    ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n > 0) {
      buffer.append(chunk, static_cast<size_t>(n));
    } else if (n == 0) {
      close_fd(fd);
    } else if (errno == EINTR) {
      continue;
    } else {
      return;  // EAGAIN: nothing more for now
    }
  }
}

int remaining_ms(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
  return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

}  // namespace

std::string binary() { return QCH_BINARY; }

Child::Child(const std::vector<std::string>& args, const Env& env,
             Streams streams) {
  int in[2], out[2], err[2];
  if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0)
    throw std::runtime_error("pipe failed");
  // The child's ends: their open file descriptions are shared with it.
  if (streams.nonblocking_input) fcntl(in[0], F_SETFL, O_NONBLOCK);
  if (streams.nonblocking_output) fcntl(out[1], F_SETFL, O_NONBLOCK);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  if (streams.closed_output) {
    posix_spawn_file_actions_addclose(&actions, 1);
  } else {
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  }
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]})
    posix_spawn_file_actions_addclose(&actions, fd);

  // A child that stops reading must not kill the test with SIGPIPE; the
  // child itself starts with the default disposition and an empty mask.
  static const bool ignore_pipe = (std::signal(SIGPIPE, SIG_IGN), true);
  (void)ignore_pipe;
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t defaults, none;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

  std::string path = binary();
  std::vector<std::string> argv_storage{path};
  argv_storage.insert(argv_storage.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : argv_storage) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> env_storage = child_environment(env);
  std::vector<char*> envp;
  for (auto& e : env_storage) envp.push_back(e.data());
  envp.push_back(nullptr);

  pid_t pid = -1;
  int rc = posix_spawn(&pid, path.c_str(), &actions, &attr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  ::close(in[0]);
  ::close(out[1]);
  ::close(err[1]);
  in_ = in[1];
  out_ = out[0];
  err_ = err[0];
  for (int fd : {in_, out_, err_}) set_flags(fd);
  if (rc != 0) {
    close_fd(in_);
    close_fd(out_);
    close_fd(err_);
    throw std::runtime_error(std::string("cannot start ") + path + ": " + std::strerror(rc));
  }
  pid_ = pid;
}

Child::~Child() {
  close_fd(in_);
  if (!exited_ && pid_ > 0) {
    ::kill(pid_, SIGKILL);
    int raw = 0;
    while (waitpid(pid_, &raw, 0) < 0 && errno == EINTR) {
    }
  }
  close_fd(out_);
  close_fd(err_);
}

void Child::write(const std::string& text) {
  size_t done = 0;
  auto deadline = Clock::now() + milliseconds(10000);
  while (in_ >= 0 && done < text.size()) {
    ssize_t n = ::write(in_, text.data() + done, text.size() - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) return;  // EPIPE: the child stopped reading
    if (Clock::now() >= deadline) return;
    // The child's input is full: keep its output pipes moving meanwhile so
    // that a child which answers while reading cannot deadlock with us.
    pollfd fds[3] = {{in_, POLLOUT, 0}, {out_, POLLIN, 0}, {err_, POLLIN, 0}};
    poll(fds, 3, 50);
    drain(out_, out_buffer_);
    drain(err_, err_buffer_);
  }
}

void Child::close_input() { close_fd(in_); }

std::optional<std::string> Child::read_line(milliseconds timeout) {
  auto deadline = Clock::now() + timeout;
  bool polled = false;
  for (;;) {
    size_t newline = out_buffer_.find('\n');
    if (newline != std::string::npos) {
      std::string line = out_buffer_.substr(0, newline);
      out_buffer_.erase(0, newline + 1);
      return line;
    }
    if (out_ < 0) return std::nullopt;
    int wait_ms = remaining_ms(deadline);
    if (wait_ms == 0 && polled) return std::nullopt;
    pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
    poll(fds, err_ >= 0 ? 2 : 1, wait_ms);
    polled = true;
    drain(out_, out_buffer_);
    drain(err_, err_buffer_);
  }
}

int Child::wait(milliseconds timeout) { return wait_for_exit(timeout, true); }

int Child::wait_unread(milliseconds timeout) { return wait_for_exit(timeout, false); }

int Child::wait_for_exit(milliseconds timeout, bool read_output) {
  auto deadline = Clock::now() + timeout;
  while (!exited_) {
    int raw = 0;
    pid_t r = waitpid(pid_, &raw, WNOHANG);
    if (r == pid_) {
      exited_ = true;
      status_ = decode_status(raw);
      break;
    }
    if (r < 0 && errno != EINTR) return -1;
    int wait_ms = remaining_ms(deadline);
    if (wait_ms == 0) return -1;
    pollfd fds[2];
    nfds_t count = 0;
    if (read_output && out_ >= 0) fds[count++] = {out_, POLLIN, 0};
    if (err_ >= 0) fds[count++] = {err_, POLLIN, 0};
    // Without open pipes there is nothing to wake on: sleep in short steps.
    poll(fds, count, std::min(wait_ms, 5));
    if (read_output) drain(out_, out_buffer_);
    drain(err_, err_buffer_);
  }
  // The exited child's pipes hold the rest; grandchildren could keep them
  // open, so read only what is there now.
  if (read_output) drain(out_, out_buffer_);
  drain(err_, err_buffer_);
  return status_;
}

std::string Child::err() {
  drain(err_, err_buffer_);
  return err_buffer_;
}

RunResult run(const std::vector<std::string>& args, const std::string& input,
              const Env& env, milliseconds timeout) {
  auto deadline = Clock::now() + timeout;
  Child child(args, env);
  child.write(input);
  child.close_input();
  RunResult result;
  std::string out;
  while (auto line = child.read_line(milliseconds(remaining_ms(deadline))))
    out += *line + "\n";
  result.status = child.wait(milliseconds(remaining_ms(deadline)));
  if (result.status == -1) {
    // Timed out: kill it and reap it so the status is settled.
    ::kill(child.pid(), SIGKILL);
    child.wait(milliseconds(5000));
    result.status = -1;
  }
  // What is left after the last newline (a final line without "\n").
  while (auto line = child.read_line(milliseconds(0))) out += *line + "\n";
  result.out = out + child.pending_output();
  result.err = child.err();
  return result;
}

}  // namespace support
