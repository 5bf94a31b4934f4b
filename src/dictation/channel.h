// An unbounded first-in first-out channel between threads.
//
// Any number of senders, one receiver. Sending never waits for the receiver:
// it appends under a lock that is only ever held for a queue operation, so a
// tap callback may send. The receiver waits until an item arrives or until
// no sender is left (the channel is then closed once drained). Sending to a
// channel whose receiver is gone fails and drops the item.
//
// The receiver marks each item done once it has been dealt with; a `Watcher`
// can wait, for a bounded time, until every item sent so far is done.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

namespace dictation {

template <typename T>
class Sender;
template <typename T>
class Receiver;
template <typename T>
class Watcher;

namespace channel_detail {

template <typename T>
struct Shared {
  std::mutex lock;
  std::condition_variable arrived;
  std::condition_variable settled;
  std::deque<T> items;
  uint64_t sent = 0;
  uint64_t done = 0;
  size_t senders = 0;
  bool receiver_alive = true;
};

}  // namespace channel_detail

template <typename T>
class Sender {
 public:
  Sender() = default;
  Sender(const Sender& other) : shared_(other.shared_) { attach(); }
  Sender(Sender&& other) noexcept = default;
  Sender& operator=(Sender other) noexcept {
    std::swap(shared_, other.shared_);
    return *this;
  }
  ~Sender() { detach(); }

  // False (and the item dropped) when the receiver is gone or this end is
  // empty.
  bool send(T item) {
    if (!shared_) return false;
    {
      std::lock_guard<std::mutex> hold(shared_->lock);
      if (!shared_->receiver_alive) return false;
      shared_->items.push_back(std::move(item));
      ++shared_->sent;
    }
    shared_->arrived.notify_one();
    return true;
  }

 private:
  template <typename U>
  friend std::pair<Sender<U>, Receiver<U>> make_channel();

  explicit Sender(std::shared_ptr<channel_detail::Shared<T>> shared)
      : shared_(std::move(shared)) {
    attach();
  }
  void attach() {
    if (!shared_) return;
    std::lock_guard<std::mutex> hold(shared_->lock);
    ++shared_->senders;
  }
  void detach() {
    if (!shared_) return;
    bool last;
    {
      std::lock_guard<std::mutex> hold(shared_->lock);
      last = --shared_->senders == 0;
    }
    if (last) shared_->arrived.notify_all();
    shared_.reset();
  }

  std::shared_ptr<channel_detail::Shared<T>> shared_;
};

template <typename T>
class Receiver {
 public:
  Receiver() = default;
  Receiver(Receiver&&) noexcept = default;
  Receiver& operator=(Receiver&& other) noexcept {
    if (this != &other) {
      close();
      shared_ = std::move(other.shared_);
    }
    return *this;
  }
  Receiver(const Receiver&) = delete;
  Receiver& operator=(const Receiver&) = delete;
  ~Receiver() { close(); }

  // The next item, waiting for it; none once every sender is gone and the
  // queue is drained.
  std::optional<T> receive() {
    if (!shared_) return std::nullopt;
    std::unique_lock<std::mutex> hold(shared_->lock);
    shared_->arrived.wait(hold, [this] {
      return !shared_->items.empty() || shared_->senders == 0;
    });
    if (shared_->items.empty()) return std::nullopt;
    T item = std::move(shared_->items.front());
    shared_->items.pop_front();
    return item;
  }

  // The item last received has been dealt with.
  void mark_done() {
    if (!shared_) return;
    {
      std::lock_guard<std::mutex> hold(shared_->lock);
      ++shared_->done;
    }
    shared_->settled.notify_all();
  }

  Watcher<T> watcher() const { return Watcher<T>(shared_); }

 private:
  template <typename U>
  friend std::pair<Sender<U>, Receiver<U>> make_channel();

  explicit Receiver(std::shared_ptr<channel_detail::Shared<T>> shared)
      : shared_(std::move(shared)) {}
  void close() {
    if (!shared_) return;
    std::lock_guard<std::mutex> hold(shared_->lock);
    shared_->receiver_alive = false;
    shared_->items.clear();
  }

  std::shared_ptr<channel_detail::Shared<T>> shared_;
};

// Watches a channel's progress from any thread; does not keep it open.
template <typename T>
class Watcher {
 public:
  Watcher() = default;
  explicit Watcher(std::shared_ptr<channel_detail::Shared<T>> shared)
      : shared_(std::move(shared)) {}

  // Waits until every item sent before the call is done, at most `limit`.
  // True when they all are.
  bool wait_settled(std::chrono::nanoseconds limit) const {
    if (!shared_) return true;
    std::unique_lock<std::mutex> hold(shared_->lock);
    uint64_t target = shared_->sent;
    return shared_->settled.wait_for(hold, limit, [this, target] {
      return shared_->done >= target || !shared_->receiver_alive;
    });
  }

 private:
  std::shared_ptr<channel_detail::Shared<T>> shared_;
};

template <typename T>
std::pair<Sender<T>, Receiver<T>> make_channel() {
  auto shared = std::make_shared<channel_detail::Shared<T>>();
  return {Sender<T>(shared), Receiver<T>(std::move(shared))};
}

}  // namespace dictation
