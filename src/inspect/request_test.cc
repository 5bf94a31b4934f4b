#include "inspect/request.h"

#include <gtest/gtest.h>

namespace inspect {
namespace {

TEST(Request, AcceptedMembersAndTheirLimits) {
  auto r = request(R"({"pids":[0,4294967295,7],"windows":[18446744073709551615,0],)"
                   R"("files":["C:\\a","","é\u00e9\ud83d\ude00\"\/\b\f\n\r\t\u0000"],)"
                   R"("screen":true,"points":[[-2147483648,2147483647],[0,-1]],)"
                   R"("other":{"x":[1.5e-3,-0,"\ud83d\ude00",null,{},[]]}})");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->pids, (std::vector<uint32_t>{0, 4294967295u, 7}));
  EXPECT_EQ(r->windows, (std::vector<uint64_t>{18446744073709551615ull, 0}));
  EXPECT_EQ(r->files, (std::vector<std::string>{
                          "C:\\a", "", std::string("\xC3\xA9\xC3\xA9\xF0\x9F\x98\x80\"/\b\f\n\r\t\0", 16)}));
  EXPECT_TRUE(r->screen);
  EXPECT_EQ(r->points, (std::vector<Point>{{-2147483648, 2147483647}, {0, -1}}));

  auto empty = request(" {} ");
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->pids.empty() && empty->windows.empty() && empty->files.empty() &&
              empty->points.empty() && !empty->screen);
}

TEST(Request, LastOccurrenceOfAMemberCounts) {
  auto r = request(R"({"pids":[-1],"pids":[2],"screen":null,"screen":false,"files":["a"],"files":[]})");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->pids, (std::vector<uint32_t>{2}));
  EXPECT_FALSE(r->screen);
  EXPECT_TRUE(r->files.empty());
  EXPECT_FALSE(request(R"({"pids":[2],"pids":[-1]})"));
  EXPECT_FALSE(request(R"({"screen":true,"screen":0})"));
  // Names are compared after their escapes are decoded.
  auto escaped = request(R"({"p\u0069ds":[9],"\u0070oints":[[1,2]]})");
  ASSERT_TRUE(escaped);
  EXPECT_EQ(escaped->pids, (std::vector<uint32_t>{9}));
  EXPECT_EQ(escaped->points.size(), 1u);
  EXPECT_TRUE(request(R"({"Pids":[-1],"pids ":"x"})"));  // other names
}

TEST(Request, MembersOfTheWrongForm) {
  const char* refused[] = {
      // pids
      R"({"pids":[-1]})", R"({"pids":[4294967296]})", R"({"pids":[7.0]})",
      R"({"pids":[1e3]})", R"({"pids":[-0]})", R"({"pids":null})", R"({"pids":5})",
      R"({"pids":["5"]})", R"({"pids":[[5]]})", R"({"pids":{}})", R"({"pids":[1,true]})",
      // windows
      R"({"windows":[18446744073709551616]})", R"({"windows":[-1]})",
      R"({"windows":[99999999999999999999999]})", R"({"windows":[true]})",
      R"({"windows":[1,2.5]})",
      // files
      R"({"files":[1]})", R"({"files":"C:\\a"})", R"({"files":[null]})", R"({"files":[["a"]]})",
      // screen
      R"({"screen":1})", R"({"screen":null})", R"({"screen":"true"})", R"({"screen":[]})",
      // points
      R"({"points":[[1,2,3]]})", R"({"points":[[1]]})", R"({"points":[[]]})",
      R"({"points":[[1.5,2]]})", R"({"points":[[2147483648,0]]})",
      R"({"points":[[0,-2147483649]]})", R"({"points":[[-0,1]]})", R"({"points":[[1,2e0]]})",
      R"({"points":[1,2]})", R"({"points":[{"x":1,"y":2}]})", R"({"points":[[1,2],null]})",
      R"({"points":[["1",2]]})", R"({"points":{"0":[1,2]}})", R"({"points":[[1,[2]]]})",
  };
  for (const char* text : refused) EXPECT_FALSE(request(text)) << text;
}

TEST(Request, TextThatIsNotOneObject) {
  const char* refused[] = {
      "", " ", "[]", "\"x\"", "5", "null", "true", "{} {}", "{} x", "{},", "{}\f", "{}\v",
      "{}\xC2\xA0", "\xEF\xBB\xBF{}", "{", "}", "{\"a\"}", "{\"a\":}", "{\"a\":1,}",
      "{,}", "{\"a\" 1}", "{'a':1}", "{a:1}", "{\"a\":1 \"b\":2}", "{} // c", "/* c */{}",
      "{\"a\":[1,]}", "{\"a\":[,1]}", "{\"a\":[1 2]}", "{\"a\":01}", "{\"a\":-}", "{\"a\":1.}",
      "{\"a\":.5}", "{\"a\":1e}", "{\"a\":1e+}", "{\"a\":+1}", "{\"a\":0x1}", "{\"a\":NaN}",
      "{\"a\":Infinity}", "{\"a\":tru}", "{\"a\":nul}", "{\"a\":True}", "{\"a\":\"\t\"}",
      "{\"a\":\"\\x\"}", "{\"a\":\"\\u12\"}", "{\"a\":\"\\u12G4\"}", "{\"a\":\"\\ud800\"}",
      "{\"a\":\"\\udc00\"}", "{\"a\":\"\\ud800\\u0041\"}", "{\"a\":\"\\ud800x\"}",
      "{\"a\":\"unclosed}", "{\"a\":[[[]]}", "{\"a\":[[[]]]]}", "{\"a\":{\"b\":1]}",
      "{\"a\":[}]}", "{\"pids\":[1]", "{\"pids\":[1}",
  };
  for (const char* text : refused) EXPECT_FALSE(request(text)) << text;
  // The parser reads NUL as a byte like any other, never as the end.
  EXPECT_FALSE(request(std::string("{}\0", 3)));
  EXPECT_FALSE(request(std::string("{\"a\":\"\0\"}", 8)));

  const char* accepted[] = {
      "\t\r\n {}\t\r\n ", "{\"a\":[]}", "{\"a\":{}}", "{\"a\":[{},[],\"\",0,-0,0.0,1E+2,1e-2,-1.5e7]}",
      "{\"a\":{\"\":{\"\":null}}}", "{\"a\":\"\\u00e9\\uD83D\\uDE00\\/\"}", "{\"\":1}",
      "{ \"a\" : [ 1 , 2 ] , \"b\" : true }", "{\"a\":\"\x7F\"}",
  };
  for (const char* text : accepted) EXPECT_TRUE(request(text)) << text;
}

TEST(Request, NumbersMustFitTheValueModel) {
  // Beyond the largest double there is no value; below the smallest there
  // is zero. Integers beyond 64 bits are doubles.
  for (const char* n : {"1e400", "-1E+400", "1.7976931348623159e308", "0.1e310"})
    EXPECT_FALSE(request(std::string("{\"a\":") + n + "}")) << n;
  EXPECT_FALSE(request("{\"a\":1" + std::string(400, '0') + "}"));
  for (const char* n : {"1e-400", "-2e-324", "1.7976931348623157e308", "0.0001e-400", "0e999",
                        "18446744073709551616", "-9223372036854775809"})
    EXPECT_TRUE(request(std::string("{\"a\":") + n + "}")) << n;
}

TEST(Request, DeepNestingAnywhere) {
  const size_t depth = 500000;
  std::string arrays = std::string(depth, '[') + std::string(depth, ']');
  EXPECT_TRUE(request("{\"x\":" + arrays + "}"));
  EXPECT_FALSE(request("{\"points\":[" + arrays + "]}"));
  EXPECT_FALSE(request("{\"points\":[[1," + arrays + "]]}"));
  EXPECT_FALSE(request("{\"x\":" + std::string(depth, '[')));
  std::string objects;
  for (size_t i = 0; i < depth / 6; ++i) objects += "{\"a\":";
  EXPECT_FALSE(request("{\"x\":" + objects));
  EXPECT_TRUE(request("{\"x\":" + objects + "1" + std::string(depth / 6, '}') + "}"));
}

}  // namespace
}  // namespace inspect
