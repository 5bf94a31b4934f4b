// The running application behind a process id, through the object runtime,
// with the command thread's cache of the last one found.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "macos_screen/reader.h"
#include "platform/objc.h"

namespace frontmost::platform::screen {

struct App {
  std::optional<std::string> bundle_id;  // bundleIdentifier
  std::optional<std::string> name;       // localizedName
  // "LSApplicationCategoryType" of the bundle, without a leading
  // "public.app-category.".
  std::optional<std::string> category;
  bool operator==(const App&) const = default;
};

// A cached application stays valid for this many whole seconds.
inline constexpr int64_t kAppCacheSeconds = 300;

// The application of `pid`: from LAST_APP when it holds that pid and fewer
// than 300 whole seconds (by the reader's clock) have passed since it was
// stored; otherwise looked up, and LAST_APP replaced when one is found.
std::optional<App> app(const Reader& reader, int32_t pid);

// The lookup itself, inside its own autorelease pool. Objects returned by
// messages are borrowed from that pool; nothing else is retained.
std::optional<App> running_app(int32_t pid);

// The text of an NSString (or any object answering UTF8String), invalid
// UTF-8 replaced by U+FFFD; none for nil.
std::optional<std::string> string(objc::Id object);

}  // namespace frontmost::platform::screen
