// Carbon through dlopen/dlsym: secure input, input source, layout data and
// key translation, and the pieces a desktop can take away.
#include <string>

#include "platform/library.h"
#include "platform/sim/testing/desktop_fixture.h"

namespace sim {
namespace {

using nlohmann::json;
using namespace sim::testing;

struct Carbon {
  void* handle = nullptr;
  carbon::IsSecureEventInputEnabledFn secure = nullptr;
  carbon::TISCopyCurrentASCIICapableKeyboardLayoutInputSourceFn source = nullptr;
  carbon::TISGetInputSourcePropertyFn property = nullptr;
  carbon::LMGetKbdTypeFn kbd_type = nullptr;
  carbon::UCKeyTranslateFn translate = nullptr;
  cf::TypeRef* layout_key = nullptr;

  Carbon() {
    handle = dl::open(carbon::kPath, dl::kLazy);
    auto sym = [&](const char* name) { return dl::symbol(handle, name); };
    secure = reinterpret_cast<carbon::IsSecureEventInputEnabledFn>(
        sym("IsSecureEventInputEnabled"));
    source = reinterpret_cast<
        carbon::TISCopyCurrentASCIICapableKeyboardLayoutInputSourceFn>(
        sym("TISCopyCurrentASCIICapableKeyboardLayoutInputSource"));
    property = reinterpret_cast<carbon::TISGetInputSourcePropertyFn>(
        sym("TISGetInputSourceProperty"));
    kbd_type = reinterpret_cast<carbon::LMGetKbdTypeFn>(sym("LMGetKbdType"));
    translate = reinterpret_cast<carbon::UCKeyTranslateFn>(sym("UCKeyTranslate"));
    layout_key = static_cast<cf::TypeRef*>(sym("kTISPropertyUnicodeKeyLayoutData"));
  }

  // What `keycode` types in a layer (0 plain, 1 command, 2 shift), or
  // "status <n>".
  std::u16string type(uint16_t keycode, uint32_t modifiers = 0,
                      uint64_t room = 4) {
    cf::Ref src(source());
    const uint8_t* layout = cf::data_bytes(property(src.get(), *layout_key));
    uint32_t dead = 7;
    uint64_t length = 99;
    char16_t units[8] = {};
    int32_t status = translate(layout, keycode, carbon::kUCKeyActionDisplay,
                               modifiers, kbd_type(),
                               carbon::kUCKeyTranslateNoDeadKeysMask, &dead,
                               room, &length, units);
    EXPECT_EQ(dead, 0u);
    if (status != 0) {
      std::string text = "status " + std::to_string(status);
      return std::u16string(text.begin(), text.end());
    }
    return std::u16string(units, length);
  }
};

TEST(Carbon, UsLayoutByDefault) {
  LOAD(json::object());
  AuditScope scope;
  {
    Carbon c;
    ASSERT_TRUE(c.handle && c.secure && c.source && c.property && c.kbd_type &&
                c.translate && c.layout_key);
    EXPECT_EQ(c.secure(), 0);
    EXPECT_EQ(c.kbd_type(), 40);
    EXPECT_EQ(c.type(9), u"v");
    EXPECT_EQ(c.type(9, carbon::kModifierShift), u"V");
    EXPECT_EQ(c.type(9, carbon::kModifierCommand), u"v");
    EXPECT_EQ(c.type(0), u"a");
    EXPECT_EQ(c.type(29), u"0");
    EXPECT_EQ(c.type(47), u".");
    EXPECT_EQ(c.type(10), u"");   // no ISO key on an ANSI keyboard
    EXPECT_EQ(c.type(122), u"");
  }
  scope.expect_balanced();
}

TEST(Carbon, DvorakLayouts) {
  LOAD(json{{"keyboard", "dvorak"}});
  Carbon c;
  EXPECT_EQ(c.type(47), u"v");
  EXPECT_EQ(c.type(9), u"k");
  EXPECT_EQ(c.type(14), u".");
  EXPECT_EQ(c.type(9, carbon::kModifierCommand), u"k");
  EXPECT_EQ(c.type(65), u".");  // the keypad is not remapped

  LOAD(json{{"keyboard", "dvorak_qwerty_command"}});
  EXPECT_EQ(c.type(47), u"v");
  EXPECT_EQ(c.type(9), u"k");
  EXPECT_EQ(c.type(9, carbon::kModifierCommand), u"v");
  EXPECT_EQ(c.type(47, carbon::kModifierCommand), u".");
  EXPECT_EQ(c.type(47, carbon::kModifierShift), u"V");
}

TEST(Carbon, CustomLayersStatusesAndRoom) {
  LOAD(json::parse(R"({"keyboard": {"base": "none", "kbd_type": 5,
      "plain": {"3": "V", "4": "ab", "5": {"units": [55296]},
                "6": {"status": -25340}, "7": ""},
      "command": {"3": "x"}}})"));
  Carbon c;
  EXPECT_EQ(c.kbd_type(), 5);
  EXPECT_EQ(c.type(3), u"V");
  EXPECT_EQ(c.type(3, carbon::kModifierCommand), u"x");
  EXPECT_EQ(c.type(3, carbon::kModifierShift), u"V");  // falls back to plain
  EXPECT_EQ(c.type(4), u"ab");
  EXPECT_EQ(c.type(4, 0, 1), u"status -25340");  // no room
  EXPECT_EQ(c.type(5), std::u16string(1, 0xD800));
  EXPECT_EQ(c.type(6), u"status -25340");
  EXPECT_EQ(c.type(7), u"");
  EXPECT_EQ(c.type(9), u"");  // base "none": nothing else types
  EXPECT_EQ(c.type(200), u"status -50");  // no such key
}

TEST(Carbon, MissingPieces) {
  LOAD(json{{"carbon", false}});
  EXPECT_EQ(dl::open(carbon::kPath, dl::kLazy), nullptr);
  EXPECT_EQ(dl::symbol(nullptr, "UCKeyTranslate"), nullptr);

  LOAD(json::parse(R"({"carbon": {"missing": ["UCKeyTranslate",
      "kTISPropertyUnicodeKeyLayoutData"]}})"));
  void* h = dl::open(carbon::kPath, dl::kLazy);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(dl::symbol(h, "UCKeyTranslate"), nullptr);
  EXPECT_EQ(dl::symbol(h, "kTISPropertyUnicodeKeyLayoutData"), nullptr);
  EXPECT_NE(dl::symbol(h, "LMGetKbdType"), nullptr);
  EXPECT_EQ(dl::symbol(h, "NoSuchFunction"), nullptr);
  EXPECT_EQ(dl::open("/usr/lib/libother.dylib", dl::kLazy), nullptr);

  LOAD(json::parse(R"({"keyboard": {"input_source": false}})"));
  EXPECT_EQ(Carbon().source(), nullptr);

  LOAD(json::parse(R"({"keyboard": {"layout_data": false}})"));
  AuditScope scope;
  {
    Carbon c;
    cf::Ref source(c.source());
    ASSERT_TRUE(source);
    EXPECT_EQ(cf::get_type_id(source.get()), cf::TypeId::InputSource);
    EXPECT_EQ(c.property(source.get(), *c.layout_key), nullptr);
  }
  scope.expect_balanced();

  // Only the layout key finds the data, compared by value.
  LOAD(json::object());
  Carbon c;
  cf::Ref source(c.source());
  cf::Ref same = cf::string_create("TISPropertyUnicodeKeyLayoutData");
  cf::Ref other = cf::string_create("TISPropertyInputSourceID");
  EXPECT_NE(c.property(source.get(), same.get()), nullptr);
  EXPECT_EQ(c.property(source.get(), other.get()), nullptr);
  // Bytes that are not a layout are refused.
  uint8_t junk[64] = {};
  uint64_t length = 5;
  char16_t units[4];
  EXPECT_EQ(c.translate(junk, 9, 3, 0, 40, 1, nullptr, 4, &length, units), -50);
  EXPECT_EQ(length, 0u);
}

TEST(Carbon, SecureInputFollowsTheDesktop) {
  LOAD(json{{"secure_input", true}});
  Carbon c;
  EXPECT_EQ(c.secure(), 1);
  ASSERT_EQ(apply_data_action({{"action", "secure_input"}, {"on", false}}), "");
  EXPECT_EQ(c.secure(), 0);
}

}  // namespace
}  // namespace sim
