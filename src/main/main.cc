// The process entry: standard streams reserved, broken pipes ignored, then
// one mode takes over.
#include <csignal>
#include <span>
#include <string>
#include <vector>

#include "main/entry.h"
#include "stream/stream.h"

int main(int argc, char** argv) {
  stream::reserve_standard_descriptors();
  std::signal(SIGPIPE, SIG_IGN);
  std::vector<std::string> args(argv + 1, argv + argc);
  return entry::dispatch(args);
}
