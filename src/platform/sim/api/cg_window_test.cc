// The window list with odd entries, bounds dictionaries, process names.
#include <cmath>

#include "platform/cg_window.h"
#include "platform/proc.h"
#include "platform/sim/testing/desktop_fixture.h"

namespace sim {
namespace {

using nlohmann::json;
using namespace sim::testing;

cf::Ref windows() {
  return cg::window_list_copy_window_info(
      cg::kWindowListOptionOnScreenOnly | cg::kWindowListExcludeDesktopElements,
      cg::kNullWindowID);
}

TEST(Windows, ListWithOddEntries) {
  LOAD(json::parse(R"({"windows": [
      {"kCGWindowNumber": 7, "kCGWindowOwnerName": "Mail",
       "kCGWindowLayer": 0, "kCGWindowAlpha": 0.5,
       "kCGWindowBounds": {"X": -1200, "Y": 0, "Width": 800, "Height": 600}},
      {"kCGWindowNumber": 1.5, "kCGWindowOwnerName": {"utf16": [55296]},
       "kCGWindowBounds": {"dict": {"X": {"float": "nan"}, "Y": 0,
                                    "Width": 40, "Height": "tall"}}},
      null,
      {"other": true}]})"));
  AuditScope scope;
  {
    cf::Ref list = windows();
    ASSERT_EQ(cf::array_count(list.get()), 4);
    cf::TypeRef first = cf::array_get(list.get(), 0);
    EXPECT_EQ(cf::get_type_id(first), cf::TypeId::Dictionary);
    int64_t number = 0;
    EXPECT_TRUE(cf::number_get_i64(cf::dictionary_get(first, cg::kWindowNumber),
                                   &number));
    EXPECT_EQ(number, 7);
    ax::Rect r;
    ASSERT_TRUE(cg::rect_make_with_dictionary_representation(
        cf::dictionary_get(first, cg::kWindowBounds), &r));
    EXPECT_EQ(r.x, -1200);
    EXPECT_EQ(r.height, 600);

    cf::TypeRef second = cf::array_get(list.get(), 1);
    EXPECT_FALSE(cf::number_get_i64(
        cf::dictionary_get(second, cg::kWindowNumber), &number));
    EXPECT_EQ(cf::string_units(cf::dictionary_get(second, cg::kWindowOwnerName)),
              std::u16string(1, 0xD800));
    // A bounds member that is not a number: no rectangle.
    EXPECT_FALSE(cg::rect_make_with_dictionary_representation(
        cf::dictionary_get(second, cg::kWindowBounds), &r));
    EXPECT_EQ(cf::get_type_id(cf::array_get(list.get(), 2)), cf::TypeId::Null);
    EXPECT_EQ(cf::get_type_id(cf::array_get(list.get(), 3)), cf::TypeId::ObjcObject);
    EXPECT_FALSE(cg::rect_make_with_dictionary_representation(
        cf::array_get(list.get(), 3), &r));
  }
  scope.expect_balanced();

  LOAD(json::parse(R"({"windows": [{"kCGWindowBounds":
      {"X": {"float": "nan"}, "Y": 1, "Width": 2, "Height": 3}}]})"));
  cf::Ref list = windows();
  ax::Rect r;
  ASSERT_TRUE(cg::rect_make_with_dictionary_representation(
      cf::dictionary_get(cf::array_get(list.get(), 0), cg::kWindowBounds), &r));
  EXPECT_TRUE(std::isnan(r.x));

  LOAD(json::parse(R"({"windows": null})"));
  EXPECT_FALSE(windows());
  ASSERT_EQ(apply_data_action(json::parse(
                R"({"action": "windows", "windows": [{"kCGWindowLayer": 3}]})")),
            "");
  EXPECT_EQ(cf::array_count(windows().get()), 1);
  LOAD(json::object());
  ASSERT_TRUE(windows());
  EXPECT_EQ(cf::array_count(windows().get()), 0);
}

TEST(Processes, NamesAsBytes) {
  LOAD(json::parse(R"({"processes": {"42": "Terminal",
                                     "-3": {"hex": "41ff42"}}})"));
  char buffer[256];
  int n = proc::name(42, buffer, sizeof buffer);
  EXPECT_EQ(std::string(buffer, n), "Terminal");
  n = proc::name(42, buffer, 4);
  EXPECT_EQ(std::string(buffer, n), "Term");
  n = proc::name(-3, buffer, sizeof buffer);
  EXPECT_EQ(std::string(buffer, n), "A\xff" "B");
  EXPECT_LE(proc::name(7, buffer, sizeof buffer), 0);
}

}  // namespace
}  // namespace sim
