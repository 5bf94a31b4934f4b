// Standard-stream handling: splitting lines off a stream whatever their
// length, and with the real binary the reply to a command that follows a
// 100 MiB line, timed from the moment the long line's end was written.
#include <benchmark/benchmark.h>

#include <sys/mman.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "stream/stream.h"

#ifdef QCH_BINARY
#include "support/child.h"
#endif

namespace {

using Clock = std::chrono::steady_clock;

// Argument: length of one line in bytes, read from a memory file.
void BM_LineReader(benchmark::State& state) {
  std::string text(static_cast<size_t>(state.range(0)), 'x');
  text += "\n7 clipboard\n";
  int fd = memfd_create("lines", 0);
  if (::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
    state.SkipWithError("write failed");
    return;
  }
  for (auto _ : state) {
    ::lseek(fd, 0, SEEK_SET);
    stream::LineReader reader(fd);
    size_t lines = 0;
    while (reader.next()) ++lines;
    benchmark::DoNotOptimize(lines);
  }
  ::close(fd);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_LineReader)->Arg(64)->Arg(1 << 20)->Arg(100 << 20)->Unit(benchmark::kMillisecond);

#ifdef QCH_BINARY
void BM_CommandAfterHugeLine(benchmark::State& state) {
  const std::string huge(100 << 20, 'x');
  for (auto _ : state) {
    support::Child child({"dictate", "--key", "fn"});
    if (child.read_line().value_or("") != R"({"event":"ready"})") {
      state.SkipWithError("no ready");
      return;
    }
    child.write(huge);
    auto start = Clock::now();
    child.write("\n2 clipboard\n");
    std::optional<std::string> reply = child.read_line(std::chrono::milliseconds(60000));
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    if (!reply || reply->find("\"id\":2") == std::string::npos) {
      state.SkipWithError("no reply");
      return;
    }
    child.close_input();
    child.wait();
  }
}
BENCHMARK(BM_CommandAfterHugeLine)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
#endif

}  // namespace

BENCHMARK_MAIN();
