// The first thing each fallible framework call does: count itself and learn
// whether it fails (model/faults.h).
//
//   sim::Call call("CGEventCreate");
//   if (call.fails()) return {};
//
// Only the helper's calls count: a call the simulator makes from inside
// another call (the guard of the outer one still alive on the thread) is
// neither counted nor failed. The call site is the return address of the
// framework function, taken by the guard's constructor, which is always
// inlined into it; it is reported as an offset into the module that holds
// it, so that a harness can name the line of code it stands for. Every
// injected failure is logged as a "fault" effect; with call tracing on,
// every counted call as a "call" effect.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>

namespace sim {

class Call {
 public:
  [[gnu::always_inline]] explicit Call(std::string_view function,
                                       std::string_view attribute = {})
      : Call(function, attribute.empty()
                           ? std::span<const std::string_view>()
                           : std::span<const std::string_view>(&attribute, 1),
             __builtin_return_address(0)) {}
  [[gnu::always_inline]] Call(std::string_view function,
                              std::span<const std::string_view> attributes)
      : Call(function, attributes, __builtin_return_address(0)) {}
  ~Call();
  Call(const Call&) = delete;
  Call& operator=(const Call&) = delete;

  bool fails() const { return fails_; }
  // The accessibility error the failure answers (accessibility calls).
  int32_t error() const { return error_; }

 private:
  Call(std::string_view function, std::span<const std::string_view> attributes,
       const void* return_address);

  bool counted_ = false;
  bool fails_ = false;
  int32_t error_ = 0;
};

}  // namespace sim
