#include "annotate/parker.h"

namespace annotate {

void Parker::park() {
  std::unique_lock<std::mutex> hold(lock_);
  woken_.wait(hold, [this] { return token_; });
  token_ = false;
}

void Parker::wake() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    token_ = true;
  }
  woken_.notify_one();
}

}  // namespace annotate
