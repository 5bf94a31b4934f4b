// Parking a thread until another wakes it.
//
// The wake-up is a token: one given while the thread is not parked makes its
// next park return at once, so a wake-up is never lost between a thread's
// last look at its work and its park. Several wake-ups before a park count
// as one. Parking waits on a condition variable: no processor time is used.
#pragma once

#include <condition_variable>
#include <mutex>

namespace annotate {

class Parker {
 public:
  // Returns once the token is there, and takes it. Only the owning thread
  // parks.
  void park();
  // Leaves the token (if it is not there yet) and wakes a parked owner. Any
  // thread; never waits for more than the token's lock.
  void wake();

 private:
  std::mutex lock_;
  std::condition_variable woken_;
  bool token_ = false;
};

}  // namespace annotate
