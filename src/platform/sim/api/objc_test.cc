// AppKit and Foundation through the object runtime: the pasteboard's types,
// running applications and bundles, autorelease pools.
#include "platform/objc.h"

#include <string>
#include <vector>

#include "platform/library.h"
#include "platform/sim/testing/desktop_fixture.h"

namespace sim {
namespace {

using nlohmann::json;
using namespace sim::testing;

objc::Sel sel(const char* name) { return objc::register_name(name); }

// The pasteboard's types as the clipboard check reads them; "<nil>" for a
// type without UTF-8 text. None when there is no pasteboard or type list.
std::optional<std::vector<std::string>> types() {
  objc::Id cls = objc::get_class("NSPasteboard");
  if (!cls) return std::nullopt;
  void* pool = objc::autorelease_pool_push();
  std::optional<std::vector<std::string>> out;
  objc::Id board = objc::send(cls, sel("generalPasteboard"));
  objc::Id array = board ? objc::send(board, sel("types")) : nullptr;
  if (array) {
    out.emplace();
    uint64_t n = objc::send_uint(array, sel("count"));
    for (uint64_t i = 0; i < n; ++i) {
      objc::Id type = objc::send_index(array, sel("objectAtIndex:"), i);
      const char* text = objc::send_utf8(type, sel("UTF8String"));
      out->push_back(text ? text : "<nil>");
    }
    EXPECT_EQ(objc::send_index(array, sel("objectAtIndex:"), n), nullptr);
  }
  objc::autorelease_pool_pop(pool);
  return out;
}

TEST(Objc, PasteboardTypes) {
  LOAD(json::object());
  AuditScope scope;
  EXPECT_EQ(types(), std::vector<std::string>{});
  LOAD(json::parse(R"({"pasteboard": {"types": ["public.utf8-plain-text",
      null, "org.nspasteboard.ConcealedType"]}})"));
  EXPECT_EQ(types(), (std::vector<std::string>{"public.utf8-plain-text",
                                               "<nil>",
                                               "org.nspasteboard.ConcealedType"}));
  LOAD(json::parse(R"({"pasteboard": {"types": null}})"));
  EXPECT_EQ(types(), std::nullopt);
  LOAD(json::parse(R"({"pasteboard": null})"));
  EXPECT_EQ(types(), std::nullopt);
  ASSERT_EQ(apply_data_action(json::parse(
                R"({"action": "pasteboard", "types": ["a"]})")),
            "");
  EXPECT_EQ(types(), std::vector<std::string>{"a"});
  scope.expect_balanced();

  LOAD(json::parse(R"({"appkit": false})"));
  EXPECT_EQ(dl::open(appkit::kPath, dl::kLazy), nullptr);
  EXPECT_EQ(objc::get_class("NSPasteboard"), nullptr);
  EXPECT_EQ(objc::get_class("NSString"), nullptr);
}

TEST(Objc, AutoreleasePools) {
  LOAD(json::parse(R"({"pasteboard": {"types": ["x"]}})"));
  objc::Id cls = objc::get_class("NSPasteboard");
  ASSERT_NE(cls, nullptr);
  ASSERT_NE(dl::open(appkit::kPath, dl::kLazy), nullptr);
  Audit before = audit();
  void* outer = objc::autorelease_pool_push();
  objc::Id board = objc::send(cls, sel("generalPasteboard"));
  void* inner = objc::autorelease_pool_push();
  objc::Id array = objc::send(board, sel("types"));
  // A retained object outlives its pool.
  objc::Id kept = objc::retain(array);
  objc::autorelease_pool_pop(inner);
  EXPECT_EQ(objc::send_uint(kept, sel("count")), 1u);
  objc::release(kept);
  // Popping the outer pool drains what is still inside.
  objc::autorelease_pool_push();  // never popped by itself
  objc::send(cls, sel("generalPasteboard"));
  objc::autorelease_pool_pop(outer);
  Audit after = audit();
  EXPECT_EQ(after.live, before.live);
  EXPECT_EQ(after.over_releases, before.over_releases);

  // Without a pool, returned objects leak and the audit shows them.
  objc::send(cls, sel("generalPasteboard"));
  EXPECT_EQ(audit().live["objc"], before.live["objc"] + 1);
}

TEST(Objc, RunningApplicationAndBundle) {
  LOAD(json::parse(R"({"applications": [
      {"pid": 10, "bundle_id": "com.example.mail", "name": "Mail",
       "bundle": {"category": "public.app-category.productivity"}},
      {"pid": 11, "bundle_id": null, "name": null, "bundle": null},
      {"pid": 12, "bundle": {"category": 7}},
      {"pid": 13, "bundle": {}}]})"));
  AuditScope scope;
  void* pool = objc::autorelease_pool_push();
  objc::Id cls = objc::get_class("NSRunningApplication");
  objc::Id string_class = objc::get_class("NSString");
  objc::Id key = objc::send_cstring(string_class, sel("stringWithUTF8String:"),
                                    "LSApplicationCategoryType");
  auto app = [&](int32_t pid) {
    return objc::send_int(cls, sel("runningApplicationWithProcessIdentifier:"),
                          pid);
  };
  auto text = [&](objc::Id o) -> std::string {
    const char* s = objc::send_utf8(o, sel("UTF8String"));
    return s ? s : "<nil>";
  };
  auto category = [&](objc::Id a) -> objc::Id {
    objc::Id url = objc::send(a, sel("bundleURL"));
    objc::Id bundle =
        objc::send_id(objc::get_class("NSBundle"), sel("bundleWithURL:"), url);
    return objc::send_id(bundle, sel("objectForInfoDictionaryKey:"), key);
  };

  objc::Id mail = app(10);
  ASSERT_NE(mail, nullptr);
  EXPECT_EQ(text(objc::send(mail, sel("bundleIdentifier"))), "com.example.mail");
  EXPECT_EQ(text(objc::send(mail, sel("localizedName"))), "Mail");
  objc::Id c = category(mail);
  EXPECT_TRUE(objc::send_bool_id(c, sel("isKindOfClass:"), string_class));
  EXPECT_EQ(text(c), "public.app-category.productivity");

  objc::Id bare = app(11);
  ASSERT_NE(bare, nullptr);
  EXPECT_EQ(objc::send(bare, sel("bundleIdentifier")), nullptr);
  EXPECT_EQ(objc::send(bare, sel("localizedName")), nullptr);
  EXPECT_EQ(objc::send(bare, sel("bundleURL")), nullptr);

  objc::Id number = category(app(12));
  ASSERT_NE(number, nullptr);
  EXPECT_FALSE(objc::send_bool_id(number, sel("isKindOfClass:"), string_class));
  EXPECT_EQ(category(app(13)), nullptr);
  EXPECT_EQ(app(99), nullptr);
  EXPECT_EQ(objc::send_cstring(string_class, sel("stringWithUTF8String:"),
                               "\xff"),
            nullptr);
  objc::autorelease_pool_pop(pool);
  scope.expect_balanced();
}

}  // namespace
}  // namespace sim
