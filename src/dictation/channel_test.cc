#include "dictation/channel.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace dictation {
namespace {

TEST(Channel, KeepsOrderAcrossThreadsAndClosesWithTheLastSender) {
  auto [sender, receiver] = make_channel<int>();
  constexpr int kCount = 20000;
  Sender<int> second = sender;  // two senders, each in order
  std::thread a([s = std::move(sender)]() mutable {
    for (int i = 0; i < kCount; ++i) ASSERT_TRUE(s.send(2 * i));
  });
  std::thread b([s = std::move(second)]() mutable {
    for (int i = 0; i < kCount; ++i) ASSERT_TRUE(s.send(2 * i + 1));
  });
  int next_even = 0, next_odd = 1, received = 0;
  while (std::optional<int> item = receiver.receive()) {
    int& expected = *item % 2 == 0 ? next_even : next_odd;
    ASSERT_EQ(*item, expected);
    expected += 2;
    ++received;
  }
  // receive() only ends once both senders are gone and all is drained.
  EXPECT_EQ(received, 2 * kCount);
  a.join();
  b.join();
}

TEST(Channel, ReceiverWaitsForAnItemAndSendFailsOnceItIsGone) {
  auto [sender, receiver] = make_channel<std::string>();
  std::thread late([&sender] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    sender.send("late");
  });
  EXPECT_EQ(receiver.receive(), "late");
  late.join();
  { Receiver<std::string> gone = std::move(receiver); }
  EXPECT_FALSE(sender.send("dropped"));
}

TEST(Channel, ItemsSentBeforeTheLastSenderLeavesAreStillReceived) {
  auto [sender, receiver] = make_channel<int>();
  sender.send(1);
  sender.send(2);
  { Sender<int> gone = std::move(sender); }
  EXPECT_EQ(receiver.receive(), 1);
  EXPECT_EQ(receiver.receive(), 2);
  EXPECT_EQ(receiver.receive(), std::nullopt);
}

}  // namespace
}  // namespace dictation
