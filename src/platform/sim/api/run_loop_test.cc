// Run loops and the main queue: order, one item per timed run, kept stops,
// idle loops.
#include "platform/run_loop.h"

#include <time.h>

#include <memory>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/sim/sim.h"
#include "platform/sim/testing/desktop_fixture.h"

namespace sim {
namespace {

using cf::RunResult;

class RunLoopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    desktop_ = std::make_unique<support::Desktop>();
    testing::use(*desktop_);
  }
  void TearDown() override {
    reset_event_side();
    desktop_.reset();
  }
  std::unique_ptr<support::Desktop> desktop_;
};

// What the main-queue items of a test record; touched only on the main
// thread, read after the loop returned.
struct Journal {
  std::vector<int> order;
  std::vector<uint64_t> threads;
  RunResult nested = RunResult::Finished;
};

struct Item {
  Journal* journal;
  int index;
  bool nest = false;
  bool stop = false;
};

void run_item(void* context) {
  std::unique_ptr<Item> item(static_cast<Item*>(context));
  item->journal->order.push_back(item->index);
  item->journal->threads.push_back(testing::thread_id());
  // Serving the run loop from inside an item must not start the next item.
  if (item->nest) item->journal->nested = cf::run_loop_run_in_mode(0, true);
  if (item->stop) cf::run_loop_stop(cf::run_loop_get_current());
}

TEST_F(RunLoopTest, MainQueueRunsItemsInOrderOnTheMainThreadNeverNested) {
  Journal journal;
  std::thread poster([&] {
    for (int i = 0; i < 6; ++i) {
      dispatch::async_main(new Item{&journal, i, i == 1, i == 5}, run_item);
    }
  });
  cf::run_loop_run();  // returns when the last item stops it
  poster.join();
  EXPECT_EQ(journal.order, (std::vector<int>{0, 1, 2, 3, 4, 5}));
  for (uint64_t t : journal.threads) EXPECT_EQ(t, testing::thread_id());
  EXPECT_EQ(journal.nested, RunResult::TimedOut);
}

TEST_F(RunLoopTest, RunInModeHandlesOnePendingItemAtATime) {
  // On the main thread, outside any item, a queued item counts as a source.
  Journal journal;
  dispatch::async_main(new Item{&journal, 0}, run_item);
  dispatch::async_main(new Item{&journal, 1}, run_item);
  EXPECT_EQ(cf::run_loop_run_in_mode(0, true), RunResult::HandledSource);
  EXPECT_EQ(journal.order, std::vector<int>{0});
  EXPECT_EQ(cf::run_loop_run_in_mode(0, true), RunResult::HandledSource);
  EXPECT_EQ(cf::run_loop_run_in_mode(0, true), RunResult::TimedOut);
  EXPECT_EQ(journal.order, (std::vector<int>{0, 1}));

  // A tap on the main run loop: an event waits until the loop is served.
  struct Count {
    static cf::TypeRef callback(cg::TapProxy, cg::EventType, cf::TypeRef e, void* user) {
      ++*static_cast<int*>(user);
      return e;
    }
  };
  int calls = 0;
  cf::Ref tap = cg::event_tap_create(cg::TapLocation::Session, cg::TapPlacement::HeadInsert,
                                     cg::TapOptions::ListenOnly, cg::mask_bit(cg::kKeyDown),
                                     &Count::callback, &calls);
  cf::Ref source = cf::mach_port_create_run_loop_source(tap.get(), 0);
  cf::run_loop_add_source(cf::run_loop_get_current(), source.get());
  cg::event_tap_enable(tap.get(), true);
  std::thread deliverer([] {
    apply_action({{"action", "input"}, {"type", "key_down"}});
  });
  EXPECT_EQ(cf::run_loop_run_in_mode(30, true), RunResult::HandledSource);
  deliverer.join();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(cf::run_loop_run_in_mode(0.01, false), RunResult::TimedOut);
}

TEST_F(RunLoopTest, StopIsKeptUntilARunEnds) {
  cf::run_loop_stop(cf::run_loop_get_current());
  cf::run_loop_run();  // returns at once
  EXPECT_EQ(cf::run_loop_run_in_mode(0, false), RunResult::TimedOut);
  cf::run_loop_stop(cf::run_loop_get_current());
  EXPECT_EQ(cf::run_loop_run_in_mode(10, false), RunResult::Stopped);
}

// Threads waiting in their run loops sleep: over a fifth of a second the
// process uses next to no processor time (a polling loop would use most).
TEST_F(RunLoopTest, IdleLoopsUseNoProcessorTime) {
  testing::TapThread tap({});
  ASSERT_TRUE(tap.created());
  timespec start{}, end{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &start);
  EXPECT_EQ(cf::run_loop_run_in_mode(0.2, false), RunResult::TimedOut);
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &end);
  double used = (end.tv_sec - start.tv_sec) + (end.tv_nsec - start.tv_nsec) / 1e9;
  EXPECT_LT(used, 0.05);
}

}  // namespace
}  // namespace sim
