#include "inspect/request.h"

#include <gtest/gtest.h>

namespace inspect {
namespace {

std::optional<Request> read(std::string_view text) {
  return request(json::Value::parse(text, nullptr, false));
}

TEST(Request, AcceptedMembersAndTheirLimits) {
  auto r = read(R"({"pids":[0,4294967295,7],"windows":[18446744073709551615,0],)"
                R"("files":["C:\\a","",""],"screen":true,)"
                R"("points":[[-2147483648,2147483647],[0,-1]],"other":{"x":[1.5]}})");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->pids, (std::vector<uint32_t>{0, 4294967295u, 7}));
  EXPECT_EQ(r->windows, (std::vector<uint64_t>{18446744073709551615ull, 0}));
  EXPECT_EQ(r->files, (std::vector<std::string>{"C:\\a", "", ""}));
  EXPECT_TRUE(r->screen);
  EXPECT_EQ(r->points, (std::vector<Point>{{-2147483648, 2147483647}, {0, -1}}));

  auto empty = read("{}");
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->pids.empty() && empty->windows.empty() && empty->files.empty() &&
              empty->points.empty() && !empty->screen);
}

TEST(Request, LastOccurrenceOfAMemberCounts) {
  auto r = read(R"({"pids":[-1],"pids":[2],"screen":null,"screen":false})");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->pids, (std::vector<uint32_t>{2}));
  EXPECT_FALSE(r->screen);
  EXPECT_FALSE(read(R"({"pids":[2],"pids":[-1]})"));
}

TEST(Request, WrongFormsAreRefused) {
  const char* refused[] = {
      "[]", "\"x\"", "5", "null",
      // pids
      R"({"pids":[-1]})", R"({"pids":[4294967296]})", R"({"pids":[7.0]})",
      R"({"pids":[1e3]})", R"({"pids":[-0]})", R"({"pids":null})", R"({"pids":5})",
      R"({"pids":["5"]})", R"({"pids":[[5]]})", R"({"pids":{}})",
      // windows
      R"({"windows":[18446744073709551616]})", R"({"windows":[-1]})",
      R"({"windows":[true]})", R"({"windows":[1,2.5]})",
      // files
      R"({"files":[1]})", R"({"files":"C:\\a"})", R"({"files":[null]})",
      // screen
      R"({"screen":1})", R"({"screen":null})", R"({"screen":"true"})", R"({"screen":[]})",
      // points
      R"({"points":[[1,2,3]]})", R"({"points":[[1]]})", R"({"points":[[]]})",
      R"({"points":[[1.5,2]]})", R"({"points":[[2147483648,0]]})",
      R"({"points":[[0,-2147483649]]})", R"({"points":[[-0,1]]})",
      R"({"points":[1,2]})", R"({"points":[{"x":1,"y":2}]})", R"({"points":[[1,2],null]})",
      R"({"points":[["1",2]]})", R"({"points":{"0":[1,2]}})",
  };
  for (const char* text : refused) EXPECT_FALSE(read(text)) << text;
}

TEST(Request, PointRulesOnTheirOwn) {
  EXPECT_EQ(point(json::Value::parse("[3,-4]")), (Point{3, -4}));
  // Values built by code rather than parsed: a signed positive is an integer.
  EXPECT_EQ(point(json::Value::array({int64_t{5}, uint64_t{6}})), (Point{5, 6}));
  EXPECT_FALSE(point(json::Value::array({1.0, 2})));
  EXPECT_FALSE(point(json::Value::parse("[1e0,2]")));
  EXPECT_FALSE(point(json::Value::parse("[100000000000000000000,2]")));
  EXPECT_FALSE(point(json::Value()));
}

}  // namespace
}  // namespace inspect
