// Every message the macOS adapter sends through the object runtime, written
// once more as a plain Objective-C++ message with the adapter's own argument
// and return types, against the SDK's AppKit and Foundation headers.
// Compiled (never run) by scripts/macos-check with warnings as errors: a
// selector that is not declared, a parameter of another width or
// signedness, or a result of another type fails the check.
//
// scripts/macos-check also compares the "sends:" lines below with the
// selectors the sources register, so a new message needs a line here.
#import <AppKit/AppKit.h>
#import <Foundation/Foundation.h>

#include <cstdint>
#include <type_traits>
#include <utility>

namespace {

// Converts to T alone: passed where the method declares any other type,
// the message does not compile.
template <typename T>
struct Exactly {
  operator T() const { return T(); }
  template <typename U>
  operator U() const = delete;
};

template <typename T>
constexpr bool is_object = std::is_pointer_v<T> && std::is_convertible_v<T, id>;

template <typename T>
T* any() { return nullptr; }

// The adapter's signatures (src/platform/objc.h) and what they become in
// objc_msgSend casts (src/platform/macos/objc.cc).
static_assert(sizeof(NSUInteger) == sizeof(uint64_t) && !std::is_signed_v<NSUInteger>,
              "send_index and send_uint carry NSUInteger as uint64_t");
static_assert(sizeof(pid_t) == sizeof(int32_t) && std::is_signed_v<pid_t>,
              "send_int carries a pid as int32_t");

}  // namespace

void messages();
void messages() {
  id object = nil;

  // sends: alloc init drain (autorelease pools, objc.cc)
  static_assert(is_object<decltype([NSAutoreleasePool alloc])>);
  static_assert(is_object<decltype([[NSAutoreleasePool alloc] init])>);
  static_assert(std::is_void_v<decltype([any<NSAutoreleasePool>() drain])>);

  // sends: generalPasteboard types count objectAtIndex: UTF8String (pasteboard.cc)
  static_assert(is_object<decltype([NSPasteboard generalPasteboard])>);
  static_assert(is_object<decltype([any<NSPasteboard>() types])>);
  static_assert(std::is_same_v<decltype([any<NSArray>() count]), NSUInteger>);
  static_assert(is_object<decltype([any<NSArray>() objectAtIndex:Exactly<NSUInteger>()])>);
  static_assert(std::is_same_v<decltype([any<NSString>() UTF8String]), const char*>);

  // sends: runningApplicationWithProcessIdentifier: bundleURL bundleIdentifier
  // sends: localizedName (app.cc)
  static_assert(is_object<decltype([NSRunningApplication
                runningApplicationWithProcessIdentifier:Exactly<int>()])>);
  static_assert(is_object<decltype([any<NSRunningApplication>() bundleURL])>);
  static_assert(is_object<decltype([any<NSRunningApplication>() bundleIdentifier])>);
  static_assert(is_object<decltype([any<NSRunningApplication>() localizedName])>);

  // sends: bundleWithURL: stringWithUTF8String: objectForInfoDictionaryKey:
  // sends: isKindOfClass: (app.cc)
  static_assert(is_object<decltype([NSBundle bundleWithURL:object])>);
  static_assert(is_object<decltype([NSString stringWithUTF8String:Exactly<const char*>()])>);
  static_assert(is_object<decltype([any<NSBundle>() objectForInfoDictionaryKey:object])>);
  static_assert(std::is_same_v<decltype([any<NSObject>() isKindOfClass:object]), BOOL>);
}
