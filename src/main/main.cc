// The process entry: ignore broken pipes, then hand over to one mode.
#include <csignal>
#include <span>
#include <string>
#include <vector>

#include "main/entry.h"

int main(int argc, char** argv) {
  std::signal(SIGPIPE, SIG_IGN);
  std::vector<std::string> args(argv + 1, argv + argc);
  return entry::dispatch(args);
}
